// Printing on the system's default printer through Qt Print Support and CUPS: no printer,
// a stopped printer, and a real spooler (a private cupsd with a PDF printer as default) whose
// output PDF is checked page by page.
//
// The CUPS library takes its server from CUPS_SERVER once per process, so every print run
// here happens in a child process: this test binary run again on the one disabled test below.
#include "print/printer_device.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <fstream>
#include <thread>

#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/printm.h"
#include "print_fixture.h"
#include "support/private_cups.h"

namespace zol::print {
namespace {

// The child's side: prints the report of $ZOL_CHILD_BASE, pages $ZOL_CHILD_FROM to
// $ZOL_CHILD_TO, on the default printer and writes "ok" or the error into $ZOL_CHILD_RESULT.
TEST(PrinterChild, DISABLED_PrintOnDefaultPrinter) {
    const QString result = qEnvironmentVariable("ZOL_CHILD_RESULT");
    if (result.isEmpty()) GTEST_SKIP() << "run by the printer tests only";
    install_font_substitutions();
    PrintState state;
    std::string outcome = "ok";
    try {
        print_report(state, qEnvironmentVariable("ZOL_CHILD_BASE").toStdString(), "rep_5300.txt",
                     static_cast<std::int16_t>(qEnvironmentVariableIntValue("ZOL_CHILD_TO")), "A4",
                     static_cast<std::int16_t>(qEnvironmentVariableIntValue("ZOL_CHILD_FROM")), 2,
                     printer_device_factory(QStringLiteral("rep_5300")));
    } catch (const PrintError& e) {
        outcome = e.what();
    }
    std::ofstream(result.toStdString()) << outcome;
}

// Runs the child with CUPS_SERVER set; what it wrote.
std::string print_in_child(const test::PackageDir& dir, const QString& cups_server, int from,
                           int to) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString result = QString::fromStdString(dir.file("child-result.txt").string());
    QFile::remove(result);
    env.insert("CUPS_SERVER", cups_server);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ZOL_CHILD_RESULT", result);
    env.insert("ZOL_CHILD_BASE", QString::fromStdString(dir.base().string()));
    env.insert("ZOL_CHILD_FROM", QString::number(from));
    env.insert("ZOL_CHILD_TO", QString::number(to));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=PrinterChild.DISABLED_PrintOnDefaultPrinter"});
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        return "child did not finish";
    }
    std::ifstream in(result.toStdString());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) return "no result: " + child.readAllStandardError().toStdString();
    return text;
}

TEST(DefaultPrinter, NoSpoolerMeansNoPrinter) {
    test::PackageDir dir;
    dir.write_report(test::crafted_report({1, 30, false}));
    const std::string outcome =
        print_in_child(dir, QString::fromStdString(dir.file("no-cupsd.sock").string()), 1, 1);
    EXPECT_NE(outcome.find("找不到印表機"), std::string::npos) << outcome;
}

TEST(DefaultPrinter, PrintsThroughARealSpooler) {
    if (!QFile::exists("/usr/sbin/cupsd") || !QFile::exists("/usr/lib/cups/backend/cups-pdf"))
        GTEST_SKIP() << "cupsd or cups-pdf is not installed (scripts/install-deps)";
    test::PackageDir dir;
    // The spooler's filters run as another user and must reach the spool and output folders.
    std::filesystem::permissions(dir.base(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_exec);
    test::PrivateCups cups(dir.base() / "spool");
    if (!cups.started()) GTEST_SKIP() << "cupsd cannot be started here: " << cups.log();

    dir.write_report(test::crafted_report({3, 30, false}));
    ASSERT_EQ(print_in_child(dir, cups.socket(), 1, 3), "ok");
    std::string waited;
    ASSERT_TRUE(cups.run({"wait", "60"}, 70000, &waited)) << waited;

    const auto pdf = dir.base() / "spool" / "out" / "pdffile.pdf";
    ASSERT_TRUE(std::filesystem::exists(pdf)) << waited;
    ASSERT_EQ(test::pdf_pages(pdf), 3);
    for (int page = 1; page <= 3; ++page) {
        std::vector<std::string> want;
        for (const auto& line : test::printed_lines(dir.report(), page))
            if (!line.text.empty()) want.push_back(test::words_of(line.text));
        std::vector<std::string> got;
        for (const auto& line : test::pdf_page_lines(pdf, page))
            if (!line.empty()) got.push_back(test::words_of(line));
        EXPECT_TRUE(test::same_lines(got, want)) << "page " << page;
    }
    const std::string size = test::run_tool("pdfinfo", {QString::fromStdString(pdf.string())});
    EXPECT_NE(size.find("(A4)"), std::string::npos) << size;

    // A stopped printer refuses the job; nothing reaches the spooler.
    std::string out;
    ASSERT_TRUE(cups.run({"PDFFILE"}, 10000, &out, "cupsdisable")) << out;
    std::filesystem::remove(pdf);
    const std::string refused = print_in_child(dir, cups.socket(), 1, 3);
    EXPECT_NE(refused.find("已停止"), std::string::npos) << refused;
    ASSERT_TRUE(cups.run({"-o"}, 10000, &out, "lpstat"));
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace zol::print
