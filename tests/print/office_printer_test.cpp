// Reports of the program printed through the driver descriptions (PPDs) of real office
// printers on a private spooler, and written as PDF by `zol5300 report --pdf` and by the
// preview's PDF button: one sheet a report page, its text, landscape on A4, every glyph inside
// the printable area, the job as large as that area allows; a stopped printer or none refused.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <fstream>

#include "print/print_fonts.h"
#include "print_fixture.h"
#include "report/report_fixture.h"
#include "support/private_cups.h"
#include "support/sample_db.h"
#include "ui/preview_window.h"

namespace zol::test {
namespace {

const QString kPpdDir = QStringLiteral("/usr/share/ppd/cupsfilters/");

// The characters of a line outside ASCII (what a spooler's PDF keeps for sure).
std::string wide_chars(const std::string& utf8) {
    std::string out;
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) out += c;
    return out;
}

// Checks the sheets of `pdf` against the pages of `report`: one sheet a page; every glyph
// inside `area`; the 163-column rule along the long edge; one scale for all sheets, and either
// that scale is 1 or the widest line or the longest page reaches the area's far edge.
// `turned`: the landscape page comes turned on an upright A4 sheet, as a spooler sends it, and
// its lines' Chinese text is that of the page; else every word lies at its print column on
// its line's top, at the job's scale, and there is no other word. Returns the scale.
double expect_sheets(const std::filesystem::path& pdf, const std::filesystem::path& report,
                     const Box& area, bool turned) {
    const auto pages = static_cast<int>(load_report(report).ff_count());
    const auto boxes = word_boxes(pdf);
    EXPECT_EQ(static_cast<int>(boxes.size()), pages);
    const std::string info =
        run_tool("pdfinfo", {"-l", QString::number(pages), QString::fromStdString(pdf.string())});
    const QString sheet =
        turned ? QStringLiteral("595 x 842 pts (A4)") : QStringLiteral("842 x 595 pts (A4)");
    EXPECT_EQ(QString::fromStdString(info).count(sheet), pages) << info;

    // A box's extent along the sheet's long edge (`along`) or across it, and the area's.
    auto span = [&](const Box& b, bool along) {
        return along == turned ? std::pair{b.y0, b.y1} : std::pair{b.x0, b.x1};
    };
    double scale = 0, slack_along = 1e9, slack_across = 1e9;
    for (int p = 1; p <= pages && p <= static_cast<int>(boxes.size()); ++p) {
        if (turned) {
            std::vector<std::string> want, got;
            for (const auto& line : printed_lines(report, p))
                if (!wide_chars(line.text).empty()) want.push_back(wide_chars(line.text));
            for (const auto& line : pdf_page_lines(pdf, p))
                if (!wide_chars(line).empty()) got.push_back(wide_chars(line));
            EXPECT_EQ(got, want) << "sheet " << p;
        }
        Box rule{0, 0, 0, 0, ""}, all{1e9, 1e9, 0, 0, ""};
        for (const Box& b : boxes[p - 1]) {
            EXPECT_TRUE(b.x0 >= area.x0 - 0.01 && b.y0 >= area.y0 - 0.01 &&
                        b.x1 <= area.x1 + 0.01 && b.y1 <= area.y1 + 0.01)
                << "sheet " << p << ": " << b.word << " at " << b.x0 << "," << b.y0;
            if (b.word.find_first_not_of('_') == std::string::npos &&
                b.word.size() > rule.word.size())
                rule = b;
            all = {std::min(all.x0, b.x0), std::min(all.y0, b.y0), std::max(all.x1, b.x1),
                   std::max(all.y1, b.y1), ""};
        }
        if (rule.word.size() != 159) {
            ADD_FAILURE() << "sheet " << p << " has no rule";
            continue;
        }
        const auto [r0, r1] = span(rule, true);
        const auto [a0, a1] = span(area, true);
        const auto [c0, c1] = span(all, false);
        const auto [s0, s1] = span(area, false);
        EXPECT_GT(r1 - r0, 700) << "sheet " << p << ": the rule is not along the long edge";
        if (scale == 0) scale = (r1 - r0) / (159 * 5.0);
        std::vector<Box> placed = boxes[p - 1];
        for (const auto& line : turned ? std::vector<PrintedLine>{} : printed_lines(report, p)) {
            for (const auto& [word, column] : word_columns(line.text)) {
                const double x = area.x0 + scale * column * line.points / 2,
                             y = area.y0 + scale * line.top;
                const auto at = std::find_if(placed.begin(), placed.end(), [&](const Box& b) {
                    return b.word == word && std::abs(b.x0 - x) < 0.05 && std::abs(b.y0 - y) < 0.05;
                });
                EXPECT_TRUE(at != placed.end())
                    << "sheet " << p << ": \"" << word << "\" not at " << x << ", " << y;
                if (at != placed.end()) placed.erase(at);
            }
        }
        EXPECT_TRUE(turned || placed.empty()) << "sheet " << p << ": " << placed.size() << " more";
        EXPECT_NEAR((r1 - r0) / (159 * 5.0), scale, 0.002) << "sheet " << p;
        // The rule's end away from the indent, and the page's side away from the title.
        slack_along = std::min(slack_along, std::min(r0 - a0, a1 - r1));
        slack_across = std::min(slack_across, std::max(c0 - s0, s1 - c1));
    }
    EXPECT_LE(scale, 1.0);
    EXPECT_TRUE(scale > 0.999 || slack_along < 1 || slack_across < 1.5)
        << "scaled to " << scale << " with " << slack_along << ", " << slack_across << " pt left";
    return scale;
}

// The report runs: per class with 10 and more item columns, and merged.
const std::vector<std::pair<std::string, QStringList>> kReports = {
    {"per-class", {"--groups", "2", "--grade", "10"}},
    {"merged", {"--groups", "2", "--grade", "10", "--merged"}},
};

class OfficePrinters : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        package = std::make_unique<SamplePackage>(300, 8);
        const std::string iso =
            run_tool("sqlite3", {QString::fromStdString(package->db().string()),
                                 "SELECT min(TranDay) FROM ZOL8_Payment WHERE GrpID = 2"});
        day = QString::fromStdString(std::to_string(std::stoi(iso.substr(0, 4)) - 1911) +
                                     iso.substr(4, 6))
                  .replace('-', '/');
    }
    static void TearDownTestSuite() { package.reset(); }

    // zol5300 report with `args` after the collection date; exit code and standard error.
    static std::pair<int, std::string> report(const QStringList& args, const QString& cups) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("CUPS_SERVER", cups);
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(zol5300_bin()),
                QStringList{"report", QString::fromStdString(package->base().string()), "--tranday",
                            day, "--yes"} +
                    args);
        p.waitForFinished(120000);
        return {p.exitCode(), p.readAllStandardError().toStdString()};
    }
    static std::filesystem::path rep() { return package->rpt() / "rep_5300.TXT"; }

    static inline std::unique_ptr<SamplePackage> package;
    static inline QString day;
};

// The PDF inside what a file: queue received (the printer job language taken off).
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
    using std::filesystem::perms;
    std::filesystem::permissions(dir.base(),
                                 perms::owner_all | perms::group_exec | perms::others_exec);
    PrivateCups cups(dir.base() / "spool");
    ASSERT_TRUE(cups.started()) << cups.log();
    const auto spool = dir.base() / "spool";
    const QString own = QString::fromStdString((spool / "cups").string());
    // The A4 imageable areas of the descriptions, from the top left of the upright sheet:
    // borders of 11.6 pt (custom sizes allowed), 18 and 36 pt (no custom sizes), and none.
    const std::vector<std::tuple<QString, QString, Box>> queues = {
        {"FUJIXEROX",
         kPpdDir + QStringLiteral("Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd"),
         {11.62, 842 - 830.27, 583.65, 842 - 11.62, ""}},
        {"HPCLJ",
         kPpdDir + QStringLiteral("HP-Color_LaserJet_CM3530_MFP-PDF.ppd"),
         {18, 36, 577, 806, ""}},
        {"RICOH", kPpdDir + QStringLiteral("Ricoh-PDF_Printer-PDF.ppd"), {18, 36, 577, 806, ""}},
        {"NOBORDER", own + "/pdf-passthrough.ppd", {0, 0, 595, 842, ""}},
        {"LETTER", own + "/letter-only.ppd", {}}};
    std::string out;
    for (const auto& [queue, ppd, area] : queues) {
        ASSERT_TRUE(cups.run({"add", queue, ppd}, 20000, &out)) << out;
        ASSERT_TRUE(cups.run({"default", queue}, 20000, &out)) << out;
        const auto prn = spool / "out" / (queue.toStdString() + ".prn");
        for (const auto& [name, filters] : kReports) {
            SCOPED_TRACE(queue.toStdString() + ", " + name);
            const auto [rc, err] = report(filters + QStringList{"--print"}, cups.socket());
            if (queue == "LETTER") {
                // Told before any sheet is used; nothing reaches the spooler.
                EXPECT_EQ(rc, 4);
                EXPECT_NE(err.find("預設印表機 LETTER 沒有 A4 紙張"), std::string::npos) << err;
                ASSERT_TRUE(cups.run({"-W", "all", "-o", "LETTER"}, 10000, &out, "lpstat"));
                EXPECT_EQ(out, "");
                continue;
            }
            ASSERT_EQ(rc, 0) << err;
            ASSERT_TRUE(cups.run({"wait", "60"}, 70000, &out)) << out;
            const double scale = expect_sheets(pdf_of(prn), rep(), area, true);
            EXPECT_TRUE(queue != "NOBORDER" || scale == 1.0) << scale;
            std::filesystem::remove(prn);
        }
    }
    // A stopped default printer, and no spooler at all: told, and no job is queued.
    ASSERT_TRUE(cups.run({"default", "RICOH"}, 20000, &out)) << out;
    ASSERT_TRUE(cups.run({"RICOH"}, 10000, &out, "cupsdisable")) << out;
    for (const auto& [server, told] : {std::pair{cups.socket(), "印表機 RICOH 已停止"},
                                       std::pair{own + "/none.sock", "找不到印表機"}}) {
        const auto [rc, err] = report(kReports[0].second + QStringList{"--print"}, server);
        EXPECT_EQ(rc, 4);
        EXPECT_NE(err.find(told), std::string::npos) << err;
    }
    ASSERT_TRUE(cups.run({"-o"}, 10000, &out, "lpstat"));
    EXPECT_EQ(out, "");
}

TEST_F(OfficePrinters, PdfFromTheCommandAndThePreviewKeepsAnEighteenPointBorder) {
    const Box border{18, 18, 842 - 18, 595 - 18, ""};
    const PackageDir dir;
    const auto pdf = dir.file("out.pdf");
    for (const auto& [name, filters] : kReports) {
        SCOPED_TRACE(name);
        const auto [rc, err] =
            report(filters + QStringList{"--pdf", QString::fromStdString(pdf.string())}, "");
        ASSERT_EQ(rc, 0) << err;
        expect_sheets(pdf, rep(), border, false);
        // A class of the per-class report has ten item columns: a third header line with two
        // names.
        const Report written = load_report(rep());
        bool ten = false;
        for (auto i = written.find_prefix("    年   班"); i;
             i = written.find_prefix("    年   班", *i + 1))
            ten = ten || (written.text(*i + 2).rfind(std::string(56, ' '), 0) == 0 &&
                          word_columns(written.text(*i + 2)).size() > 1);
        EXPECT_TRUE(ten || name != "per-class");
    }
    // The preview's PDF button, every page of the merged report written last.
    install_font_substitutions();
    print::PrintState state;
    PreviewHooks hooks;
    hooks.pdf_file_name = [&] { return QString::fromStdString(dir.file("preview.pdf").string()); };
    hooks.error = [](const QString& e) { ADD_FAILURE() << e.toStdString(); };
    PREPRINT window(state, package->base().string(), hooks);
    window.show_report("rep_5300.txt", static_cast<std::int16_t>(load_report(rep()).ff_count()),
                       "A4", 2);
    window.cmd_pdf()->click();
    expect_sheets(dir.file("preview.pdf"), rep(), border, false);
}

}  // namespace
}  // namespace zol::test
