#include "print_fixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <cstdlib>
#include <fstream>

#include "core/big5.h"
#include "support/run_capture.h"

namespace zol::test {

std::filesystem::path PackageDir::write_report(const std::string& bytes) const {
    std::ofstream out(report(), std::ios::binary | std::ios::trunc);
    out << bytes;
    return report();
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    auto finish = [&] {
        while (!cur.empty() && (cur.back() == ' ' || cur.back() == '\r')) cur.pop_back();
        out.push_back(cur);
        cur.clear();
    };
    for (char c : text) {
        if (c == '\n')
            finish();
        else
            cur += c;
    }
    if (!cur.empty()) finish();
    return out;
}

std::string run_tool(const QString& program, const QStringList& args) {
    std::vector<std::string> argv{program.toStdString()};
    for (const QString& a : args) argv.push_back(a.toStdString());
    const RunOutput r = run_program(argv);
    if (r.code != 0) ADD_FAILURE() << argv[0] << " failed: " << r.err;
    return r.code == 0 ? r.out : std::string();
}

std::vector<PrintedLine> printed_lines(const std::filesystem::path& report, int page) {
    // The raw pages: each runs through the line that begins with the FF line's characters.
    std::vector<std::string> pages(1);
    std::ifstream in(report, std::ios::binary);
    for (std::string l; std::getline(in, l);) {
        pages.back() += l + "\n";
        if (l.starts_with("\f21")) pages.emplace_back();
    }
    std::vector<PrintedLine> out;
    if (page < 1 || page > static_cast<int>(pages.size())) return out;
    double points = 10, twips = 0, pullback = 0;
    for (const std::string& raw : split_lines(pages[page - 1])) {
        if (raw.size() >= 3 && raw[0] == '\x1c' && raw[1] == 'W' && raw[2] >= '1' &&
            raw[2] <= '8') {
            points = 8 + (raw[2] - '0');
            continue;
        }
        if (raw.size() >= 3 && raw.compare(0, 3, "\03431") == 0) {
            pullback = std::atof(raw.substr(3, 3).c_str());
            continue;
        }
        if (!raw.empty() && (raw[0] == '\x1c' || raw[0] == '\x0c' || raw[0] == '\x1b')) continue;
        out.push_back({from_big5(raw), points, twips / 20});
        twips += 2 * points * 20 - pullback;
    }
    return out;
}

std::vector<std::pair<std::string, int>> word_columns(const std::string& utf8) {
    std::vector<std::pair<std::string, int>> out;
    int column = 0;
    bool in_word = false;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = 1;
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0xF0)
            len = 4;
        else if (b >= 0xE0)
            len = 3;
        else if (b >= 0xC0)
            len = 2;
        const std::string ch = utf8.substr(i, len);
        i += len;
        if (ch == " ") {
            in_word = false;
        } else {
            if (!in_word) out.push_back({"", column});
            out.back().first += ch;
            in_word = true;
        }
        column += display_width(ch);
    }
    return out;
}

std::vector<std::string> pdf_page_lines(const std::filesystem::path& pdf, int page) {
    const QString n = QString::number(page);
    std::string text = run_tool("pdftotext", {"-layout", "-f", n, "-l", n, "-enc", "UTF-8",
                                              QString::fromStdString(pdf.string()), "-"});
    if (!text.empty() && text.back() == '\f') text.pop_back();
    auto lines = split_lines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

std::vector<std::vector<Box>> word_boxes(const std::filesystem::path& pdf) {
    const std::string html =
        run_tool("pdftotext", {"-bbox", QString::fromStdString(pdf.string()), "-"});
    std::vector<std::vector<Box>> pages;
    static const QRegularExpression page_re(QStringLiteral("<page "));
    static const QRegularExpression word_re(QStringLiteral(
        R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re"));
    for (const QString& page : QString::fromStdString(html).split(page_re).mid(1)) {
        pages.emplace_back();
        for (auto m = word_re.globalMatch(page); m.hasNext();) {
            const auto w = m.next();
            pages.back().push_back({w.captured(1).toDouble(), w.captured(2).toDouble(),
                                    w.captured(3).toDouble(), w.captured(4).toDouble(),
                                    w.captured(5).toStdString()});
        }
    }
    return pages;
}

}  // namespace zol::test
