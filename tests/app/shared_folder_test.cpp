// zol5300 in a school office: a package folder shared by several clerks, reports beyond
// 16-bit page numbers, and files the user protected or kept private.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "core/locked_temp.h"
#include "data/db_error.h"
#include "support/report_pages.h"
#include "support/sample_db.h"
#include "support/two_clerks.h"

namespace zol::test {
namespace {

using Args = std::vector<std::string>;

RunOutput report(const fs::path& base, Args options) {
    options.insert(options.begin(), {"report", base.string(), "--print-date=2025-03-07"});
    return run_captured(options);
}

// One student a class, 300 classes, 110 dates: 33,000 class groups of one page each.
TEST(SharedPackage, ReportsBeyondSixteenBitPageNumbers) {
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    pkg.exec(R"(DELETE FROM ZOL7_Student; DELETE FROM ZOL8_Payment; DELETE FROM Zol9_Payitem;
DELETE FROM ZOL10_Agency; WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n
WHERE i < 299) INSERT INTO ZOL7_Student SELECT i + 1, i, 1 + i / 25, 1 + i % 25, 1, '學生', 0, NULL FROM n;
WITH RECURSIVE d(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM d WHERE j < 109)
INSERT INTO ZOL10_Agency SELECT date('2024-01-01', '+' || j || ' days'), 1, -1 FROM d;
INSERT INTO ZOL8_Payment SELECT s.Stdid, a.TranDay, 1, 100, 0, 100, '1', '1', s.Stdid, a.TranDay,
  NULL, 0, 0, -1 FROM ZOL7_Student s, ZOL10_Agency a;
INSERT INTO Zol9_Payitem SELECT Stdid, TranDay, Grpid, 1, 100 FROM ZOL8_Payment;)");
    const RunOutput r = report(
        pkg.base(), {"--tranday", "113/01/01", "--tranday2", "113/04/19", "--page", "33000"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(load_report(pkg.report()).ff_count(), 33000u);
    // The last page: the last date's last class (grade 12, class 25).
    EXPECT_NE(r.out.find("十二 年 25 班                         收款日期: 113/04/19"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("班總筆數:1"), std::string::npos) << r.out;
}

// The report folder: made when missing; temporary files of runs that died (report and
// workbook) are removed and those of a run going on are not.
TEST(SharedPackage, TheReportFolderOfSeveralClerks) {
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    const Args run{"--tranday", "095/03/15"};
    fs::remove_all(pkg.rpt());
    ASSERT_EQ(report(pkg.base(), run).code, 0);
    const std::string expected = read_file(pkg.report());
    EXPECT_NE(expected.find(to_big5("郵政轉帳")), std::string::npos);

    if (::fork() == 0) {  // runs killed while they wrote
        create_locked_temp(pkg.rpt(), ".rep_5300.TXT.", 0666);
        create_locked_temp(pkg.rpt(), ".out.xlsx.", 0600);
        ::_exit(0);
    }
    ::wait(nullptr);
    auto live = create_locked_temp(pkg.rpt(), ".rep_5300.TXT.", 0666);
    ASSERT_TRUE(live);
    ASSERT_EQ(report(pkg.base(), run).code, 0);
    ASSERT_EQ(
        report(pkg.base(), {"--tranday", "095/03/15", "--xlsx", (pkg.rpt() / "out.xlsx").string()})
            .code,
        0);
    std::vector<fs::path> temps;
    for (const auto& e : fs::directory_iterator(pkg.rpt()))
        if (e.path().extension() == ".tmp") temps.push_back(e.path());
    EXPECT_EQ(temps, std::vector<fs::path>{live->path});
}

// A shared folder with the sticky bit and another clerk's report that anyone may write: the
// second clerk's run writes it in place.
TEST(SharedPackage, AnotherClerksReportIsWrittenInPlace) {
    if (const std::string why = two_clerks_unavailable(); !why.empty()) GTEST_SKIP() << why;
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    const Args run{"--tranday", "095/03/15"};
    ASSERT_EQ(report(pkg.base(), run).code, 0);
    const std::string expected = read_file(pkg.report());
    for (const fs::path& d : {pkg.base(), pkg.base() / "mdb"}) ::chmod(d.c_str(), 0755);
    ::chmod(pkg.db().c_str(), 0644);
    ::chmod(pkg.rpt().c_str(), 01777);
    write_file(pkg.report(), "another clerk's report\r\n");
    give_to(pkg.report(), kClerkB, 0666);
    const TempDir home;
    ::chmod(home.path().c_str(), 0777);
    Args args{"report", pkg.base().string(), "--print-date=2025-03-07"};
    args.insert(args.end(), run.begin(), run.end());
    const RunOutput r = run_as(kClerkA, {"HOME=" + home.path().string()}, args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(read_file(pkg.report()) == expected);
    struct stat st {};
    ASSERT_EQ(::stat(pkg.report().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kClerkB);  // written in place: still the other clerk's file
}

// Files the user protected are left alone; a private file stays private; a link at the
// name is not written through.
TEST(SharedPackage, ExportsKeepWhatTheUserSetOnTheirFiles) {
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    for (const char* kind : {"--xlsx", "--pdf"}) {
        SCOPED_TRACE(kind);
        const fs::path file = pkg.base() / (std::string("out.") + (kind + 2));
        write_file(file, "protected");
        ::chmod(file.c_str(), 0444);
        RunOutput r = report(pkg.base(), {"--tranday", "095/03/15", kind, file.string()});
        EXPECT_EQ(r.code, 4);
        EXPECT_NE(r.err.find("檔案唯讀"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(file), "protected");
        ::chmod(file.c_str(), 0600);
        r = report(pkg.base(), {"--tranday", "095/03/15", kind, file.string()});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_NE(read_file(file), "protected");
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        const fs::path link = pkg.base() / "link";
        fs::create_symlink(file, link);
        const std::string before = read_file(file);
        r = report(pkg.base(), {"--tranday", "095/03/15", kind, link.string()});
        EXPECT_EQ(r.code, 4);
        EXPECT_NE(r.err.find("符號連結"), std::string::npos) << r.err;
        EXPECT_TRUE(fs::is_symlink(link) && read_file(file) == before);
        fs::remove(link);
    }
}

}  // namespace
}  // namespace zol::test
