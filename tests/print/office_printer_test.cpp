// Reports of the program printed through the driver descriptions (PPDs) of real office
// printers on a private spooler, and written as PDF by `zol5300 report --pdf` and by the
// preview's PDF button: one sheet a report page, its text, landscape on A4, every glyph inside
// the printable area, the job as large as that area allows.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <fstream>

#include "print/print_fonts.h"
#include "print_fixture.h"
#include "support/private_cups.h"
#include "support/sample_db.h"
#include "ui/preview_window.h"

namespace zol::test {
namespace {

constexpr const char* kPpdDir = "/usr/share/ppd/cupsfilters/";

// A printable area in points from the sheet's top left corner.
struct Area {
    double left, top, right, bottom;
};

// The A4 imageable area of a PPD (lower left and upper right corners, from the bottom).
Area a4_area(const std::string& ppd) {
    std::ifstream in(ppd);
    static const QRegularExpression re(
        QStringLiteral(R"re(^\*ImageableArea A4/[^:]*: "([\d.]+) ([\d.]+) ([\d.]+) ([\d.]+)")re"));
    for (std::string line; std::getline(in, line);) {
        const auto m = re.match(QString::fromStdString(line));
        if (m.hasMatch())
            return {m.captured(1).toDouble(), 842 - m.captured(4).toDouble(),
                    m.captured(3).toDouble(), 842 - m.captured(2).toDouble()};
    }
    ADD_FAILURE() << "no A4 in " << ppd;
    return {};
}

// The characters of a line outside ASCII (what a spooler's PDF keeps for sure).
std::string wide_chars(const std::string& utf8) {
    std::string out;
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) out += c;
    return out;
}

// Checks the sheets of `pdf` against the pages of `report`: one sheet a page; its lines (every
// word with `all_text`, else the Chinese text) those of the page; every glyph inside `area`;
// the 163-column rule along the long edge; one scale for all sheets, and either that scale
// is 1 or the widest line or the longest page reaches the area's far edge. `turned`: the
// landscape page comes turned on an upright A4 sheet, as a spooler sends it. Returns the
// scale.
double expect_sheets(const std::filesystem::path& pdf, const std::filesystem::path& report,
                     const Area& area, bool turned, bool all_text) {
    std::ifstream in(report, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const auto pages = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\x0c'));
    const auto boxes = word_boxes(pdf);
    EXPECT_EQ(static_cast<int>(boxes.size()), pages);
    const std::string info =
        run_tool("pdfinfo", {"-l", QString::number(pages), QString::fromStdString(pdf.string())});
    const QString sheet =
        turned ? QStringLiteral("595 x 842 pts (A4)") : QStringLiteral("842 x 595 pts (A4)");
    EXPECT_EQ(QString::fromStdString(info).count(sheet), pages) << info;

    double scale = 0, slack_long = 1e9, slack_short = 1e9;
    for (int p = 1; p <= pages && p <= static_cast<int>(boxes.size()); ++p) {
        auto keep = [&](const std::string& s) { return all_text ? words_of(s) : wide_chars(s); };
        std::vector<std::string> want, got;
        for (const auto& line : printed_lines(report, p))
            if (!keep(line.text).empty()) want.push_back(keep(line.text));
        for (const auto& line : pdf_page_lines(pdf, p))
            if (!keep(line).empty()) got.push_back(keep(line));
        EXPECT_TRUE(same_lines(got, want)) << "sheet " << p;

        const Box* rule = nullptr;
        double near = 1e9, far = 1e9;  // across the long edge: glyphs to the area's two sides
        for (const Box& b : boxes[p - 1]) {
            EXPECT_TRUE(b.x0 >= area.left - 0.01 && b.y0 >= area.top - 0.01 &&
                        b.x1 <= area.right + 0.01 && b.y1 <= area.bottom + 0.01)
                << "sheet " << p << ": " << b.word << " at " << b.x0 << "," << b.y0 << " - " << b.x1
                << "," << b.y1;
            if (b.word.find_first_not_of('_') == std::string::npos &&
                (!rule || b.word.size() > rule->word.size()))
                rule = &b;
            near = std::min(near, turned ? b.x0 - area.left : b.y0 - area.top);
            far = std::min(far, turned ? area.right - b.x1 : area.bottom - b.y1);
        }
        if (!rule || rule->word.size() != 159) {
            ADD_FAILURE() << "sheet " << p << " has no rule";
            continue;
        }
        const double along = turned ? rule->y1 - rule->y0 : rule->x1 - rule->x0;
        const double across = turned ? rule->x1 - rule->x0 : rule->y1 - rule->y0;
        EXPECT_GT(along, across * 20) << "sheet " << p << ": the rule is not along the long edge";
        const double s = along / (159 * 5.0);
        if (scale == 0) scale = s;
        EXPECT_NEAR(s, scale, 0.002) << "sheet " << p;
        const auto [lo, hi] = turned ? std::pair{rule->y0 - area.top, area.bottom - rule->y1}
                                     : std::pair{rule->x0 - area.left, area.right - rule->x1};
        slack_long = std::min(slack_long, std::min(lo, hi));
        slack_short = std::min(slack_short, std::max(near, far));
    }
    EXPECT_LE(scale, 1.0);
    EXPECT_TRUE(scale > 0.999 || slack_long < 1 || slack_short < 1.5)
        << "scaled to " << scale << " but " << slack_long << " / " << slack_short << " points left";
    return scale;
}

// The report runs: per class with 10 and more item columns, and merged.
const std::vector<std::pair<std::string, std::vector<std::string>>> kReports = {
    {"per-class", {"--groups", "1,2", "--grade", "10"}},
    {"merged", {"--groups", "2", "--grade", "10", "--merged"}},
};

class OfficePrinters : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        package = std::make_unique<SamplePackage>(300, 5);
        const std::string iso =
            run_tool("sqlite3", {QString::fromStdString(package->db().string()),
                                 "SELECT min(TranDay) FROM ZOL8_Payment WHERE GrpID = 2"});
        day = std::to_string(std::stoi(iso.substr(0, 4)) - 1911) + "/" + iso.substr(5, 2) + "/" +
              iso.substr(8, 2);
    }
    static void TearDownTestSuite() { package.reset(); }

    // zol5300 report with the report's filters and `extra`; exit code and standard error.
    static std::pair<int, std::string> report(const std::vector<std::string>& filters,
                                              const QStringList& extra, const QString& cups) {
        QStringList args{"report",    QString::fromStdString(package->base().string()),
                         "--tranday", QString::fromStdString(day),
                         "--yes",     "--print-date",
                         "2025-03-07"};
        for (const auto& f : filters) args << QString::fromStdString(f);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", cups);
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(zol5300_bin()), args + extra);
        p.waitForFinished(120000);
        return {p.exitCode(), p.readAllStandardError().toStdString()};
    }
    std::filesystem::path rep() const { return package->rpt() / "rep_5300.TXT"; }

    static inline std::unique_ptr<SamplePackage> package;
    static inline std::string day;
};

// What a file: queue received, less the printer job language around the PDF.
std::filesystem::path pdf_of(const std::filesystem::path& prn) {
    std::ifstream in(prn, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(in)), {});
    const auto from = d.find("%PDF"), to = d.rfind("%%EOF");
    const auto pdf = std::filesystem::path(prn).replace_extension(".pdf");
    if (from != std::string::npos && to != std::string::npos)
        std::ofstream(pdf, std::ios::binary) << d.substr(from, to + 5 - from);
    return pdf;
}

TEST_F(OfficePrinters, SpooledSheetsAreTheReportPagesInsideThePrintableArea) {
    if (!QFile::exists("/usr/sbin/cupsd") || !QFile::exists(kPpdDir))
        GTEST_SKIP() << "cupsd or the printer descriptions are missing (scripts/install-deps)";
    const PackageDir dir;
    std::filesystem::permissions(dir.base(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
    PrivateCups cups(dir.base() / "spool");
    ASSERT_TRUE(cups.started()) << cups.log();
    const auto spool = dir.base() / "spool";
    // Borders of 11.6 pt (custom sizes allowed), 18 and 36 pt (no custom sizes), and none.
    const std::vector<std::pair<QString, std::string>> queues = {
        {"FUJIXEROX", std::string(kPpdDir) + "Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd"},
        {"HPCLJ", std::string(kPpdDir) + "HP-Color_LaserJet_CM3530_MFP-PDF.ppd"},
        {"RICOH", std::string(kPpdDir) + "Ricoh-PDF_Printer-PDF.ppd"},
        {"NOBORDER", (spool / "cups" / "pdf-passthrough.ppd").string()}};
    std::string out;
    for (const auto& [queue, ppd] : queues) {
        ASSERT_TRUE(cups.run({"add", queue, QString::fromStdString(ppd)}, 20000, &out)) << out;
        ASSERT_TRUE(cups.run({"default", queue}, 20000, &out)) << out;
        const Area area = a4_area(ppd);
        for (const auto& [name, filters] : kReports) {
            SCOPED_TRACE(queue.toStdString() + ", " + name);
            const auto prn = spool / "out" / (queue.toStdString() + ".prn");
            std::filesystem::remove(prn);
            const auto [rc, err] = report(filters, {"--print"}, cups.socket());
            ASSERT_EQ(rc, 0) << err;
            ASSERT_TRUE(cups.run({"wait", "60"}, 70000, &out)) << out;
            const double scale = expect_sheets(pdf_of(prn), rep(), area, true, false);
            EXPECT_TRUE(queue != "NOBORDER" || scale == 1.0) << scale;
            std::printf("[ measured ] %s %s: area %.2f x %.2f pt, scale %.3f\n",
                        queue.toStdString().c_str(), name.c_str(), area.right - area.left,
                        area.bottom - area.top, scale);
        }
    }

    // A printer with Letter paper only: told before any sheet, and nothing is sent.
    QFile ppd(QString::fromStdString((spool / "cups" / "pdf-passthrough.ppd").string()));
    ASSERT_TRUE(ppd.open(QIODevice::ReadOnly));
    const QString letter = QString::fromUtf8(ppd.readAll())
                               .replace("A4", "Letter")
                               .replace("595 842", "612 792")
                               .replace("[595 842]", "[612 792]");
    const auto letter_ppd = spool / "letter.ppd";
    std::ofstream(letter_ppd) << letter.toStdString();
    ASSERT_TRUE(
        cups.run({"add", "LETTER", QString::fromStdString(letter_ppd.string())}, 20000, &out))
        << out;
    ASSERT_TRUE(cups.run({"default", "LETTER"}, 20000, &out)) << out;
    const auto [rc, err] = report(kReports[0].second, {"--print"}, cups.socket());
    EXPECT_EQ(rc, 4);
    EXPECT_NE(err.find("預設印表機 LETTER 沒有 A4 紙張"), std::string::npos) << err;
    ASSERT_TRUE(cups.run({"-W", "all", "-o", "LETTER"}, 10000, &out, "lpstat"));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(std::filesystem::exists(spool / "out" / "LETTER.prn"));
}

TEST_F(OfficePrinters, PdfFromTheCommandAndThePreviewKeepsAnEighteenPointBorder) {
    const Area border{18, 18, 842 - 18, 595 - 18};
    const PackageDir dir;
    for (const auto& [name, filters] : kReports) {
        SCOPED_TRACE(name);
        const auto pdf = dir.file(name + ".pdf");
        const auto [rc, err] =
            report(filters, {"--pdf", QString::fromStdString(pdf.string())}, "/nonexistent");
        ASSERT_EQ(rc, 0) << err;
        const double scale = expect_sheets(pdf, rep(), border, false, true);
        std::printf("[ measured ] --pdf %s: scale %.3f\n", name.c_str(), scale);
    }

    // The preview's PDF button on the per-class report, every page.
    ASSERT_EQ(report(kReports[0].second, {}, "/nonexistent").first, 0);
    install_font_substitutions();
    std::ifstream in(rep(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const auto pages = static_cast<std::int16_t>(std::count(bytes.begin(), bytes.end(), '\x0c'));
    print::PrintState state;
    PreviewHooks hooks;
    const auto pdf = dir.file("preview.pdf");
    hooks.pdf_file_name = [&] { return QString::fromStdString(pdf.string()); };
    hooks.error = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    PREPRINT window(state, package->base().string(), hooks);
    window.show_report("rep_5300.txt", pages, "A4", 2);
    window.CMD_PDF_Click();
    expect_sheets(pdf, rep(), border, false, true);
}

}  // namespace
}  // namespace zol::test
