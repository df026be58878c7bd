// zol5300 report --pdf / --print: the whole written report printed as the program prints it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <fstream>

#include "print_fixture.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

// The first collection date of the sample package, as the ROC text the command takes.
std::string first_tranday(const SamplePackage& package) {
    const std::string iso = run_tool("sqlite3", {QString::fromStdString(package.db().string()),
                                                 "SELECT min(TranDay) FROM ZOL8_Payment"});
    if (iso.size() < 10) return {};
    const int year = std::stoi(iso.substr(0, 4)) - 1911;
    return std::to_string(year) + "/" + iso.substr(5, 2) + "/" + iso.substr(8, 2);
}

// Runs zol5300 with CUPS_SERVER set; exit code and standard error.
std::pair<int, std::string> run_report(const QStringList& args, const QString& cups_server) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", cups_server);
    p.setProcessEnvironment(env);
    p.start(QString::fromStdString(zol5300_bin()), args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {-1, "timed out"};
    }
    return {p.exitCode(), p.readAllStandardError().toStdString()};
}

TEST(ReportCommand, PdfHoldsEveryPageOfTheWrittenReport) {
    SamplePackage package(150, 7);
    const std::string day = first_tranday(package);
    ASSERT_FALSE(day.empty());
    const auto pdf = package.base() / "report.pdf";
    const QString base = QString::fromStdString(package.base().string());
    const auto [rc, err] = run_report({"report", base, "--tranday", QString::fromStdString(day),
                                       "--pdf", QString::fromStdString(pdf.string()), "--yes"},
                                      "/nonexistent/cups.sock");
    ASSERT_EQ(rc, 0) << err;

    const auto report = package.rpt() / "rep_5300.TXT";
    std::ifstream in(report, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto ff_lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\x0c'));
    ASSERT_GT(ff_lines, 1);
    EXPECT_EQ(pdf_pages(pdf), ff_lines);

    for (const int page : {1, ff_lines}) {
        std::vector<std::string> want, got;
        for (const auto& line : printed_lines(report, page))
            if (!line.text.empty()) want.push_back(words_of(line.text));
        for (const auto& line : pdf_page_lines(pdf, page))
            if (!line.empty()) got.push_back(words_of(line));
        EXPECT_TRUE(same_lines(got, want)) << "page " << page;
    }
}

TEST(ReportCommand, PrintWithoutPrinterFailsWithTheReason) {
    SamplePackage package(60, 3);
    const std::string day = first_tranday(package);
    ASSERT_FALSE(day.empty());
    const QString base = QString::fromStdString(package.base().string());
    const auto [rc, err] =
        run_report({"report", base, "--tranday", QString::fromStdString(day), "--print", "--yes"},
                   QString::fromStdString((package.base() / "no-cupsd.sock").string()));
    EXPECT_EQ(rc, 4);
    EXPECT_NE(err.find("找不到印表機"), std::string::npos) << err;
}

}  // namespace
}  // namespace zol::test
