// zol5300 in a school office: a package folder shared by several clerks, an Access file that
// another program rewrites while a run reads it, reports beyond 16-bit page numbers, and
// files the user protected or kept private.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "core/locked_temp.h"
#include "data/db_error.h"
#include "support/jet_files.h"
#include "support/report_pages.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

using Args = std::vector<std::string>;

const fs::path kJetDir = ZOL_TESTDATA_JET;

RunOutput report(const fs::path& base, Args options) {
    options.insert(options.begin(), {"report", base.string(), "--print-date=2025-03-07"});
    return run_captured(options);
}

// Another program writes the whole file in place again and again, now one content, now the
// other, while runs read it: each run writes the report of one of them, or says the file
// kept changing and keeps the previous report.
TEST(SharedPackage, ARunOfAFileRewrittenMeanwhileIsOfOneStateOrNone) {
    const Package pkg{Package::Sql{""}};
    const TempDir cache;
    ::setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
    const std::string contents[2] = {read_file(kJetDir / "zol-sample.mdb"), amended_sample()};
    std::string reports[2];
    for (int i = 0; i < 2; ++i) {
        write_file(pkg.db(), contents[i]);
        ASSERT_EQ(report(pkg.base(), {"--tranday", "113/09/10", "--no-cache"}).code, 0);
        reports[i] = read_file(pkg.report());
    }
    ASSERT_NE(reports[0], reports[1]);

    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const int fd = ::open(pkg.db().c_str(), O_WRONLY);
        for (int i = 0; !stop; ++i) {
            const std::string& c = contents[i % 2];
            for (std::size_t at = 0; at < c.size(); at += 65536) {
                const auto n = std::min<std::size_t>(65536, c.size() - at);
                if (::pwrite(fd, c.data() + at, n, static_cast<off_t>(at)) < 0) break;
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        ::close(fd);
    });
    int whole = 0;
    for (int run = 0; run < 8; ++run) {
        write_file(pkg.report(), "previous\r\n");
        const RunOutput r =
            report(pkg.base(), {"--tranday", "113/09/10", run % 2 ? "--yes" : "--no-cache"});
        const std::string written = read_file(pkg.report());
        whole += r.code == 0;
        if (r.code == 0) {
            EXPECT_TRUE(written == reports[0] || written == reports[1]) << "a mixed report";
        } else {
            EXPECT_EQ(r.code, 4) << r.err;
            EXPECT_NE(r.err.find(kMsgDatabaseBusy), std::string::npos) << r.err;
            EXPECT_EQ(written, "previous\r\n");
        }
    }
    stop = true;
    writer.join();
    EXPECT_GT(whole, 0);
    // Once it is left alone, the file's current content is reported.
    ASSERT_EQ(report(pkg.base(), {"--tranday", "113/09/10"}).code, 0);
    const bool first = read_file(pkg.db()) == contents[0];
    EXPECT_TRUE(read_file(pkg.report()) == reports[first ? 0 : 1]);
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

// The report folder: made when missing; temporary files of runs that died are removed and
// those of a run going on are not; a shared folder with the sticky bit and another clerk's
// report that anyone may write.
TEST(SharedPackage, TheReportFolderOfSeveralClerks) {
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    const Args run{"--tranday", "095/03/15"};
    fs::remove_all(pkg.rpt());
    ASSERT_EQ(report(pkg.base(), run).code, 0);
    const std::string expected = read_file(pkg.report());
    EXPECT_NE(expected.find(to_big5("郵政轉帳")), std::string::npos);

    if (::fork() == 0) {  // a run killed while it wrote
        create_locked_temp(pkg.rpt(), ".rep_5300.TXT.", 0666);
        ::_exit(0);
    }
    ::wait(nullptr);
    auto live = create_locked_temp(pkg.rpt(), ".rep_5300.TXT.", 0666);
    ASSERT_TRUE(live);
    ASSERT_EQ(report(pkg.base(), run).code, 0);
    std::vector<fs::path> temps;
    for (const auto& e : fs::directory_iterator(pkg.rpt()))
        if (e.path().extension() == ".tmp") temps.push_back(e.path());
    EXPECT_EQ(temps, std::vector<fs::path>{live->path});
    live->fd.reset();

    if (::geteuid() != 0) GTEST_SKIP() << "another clerk's file needs root to be made";
    for (const fs::path& d : {pkg.base(), pkg.base() / "mdb"}) ::chmod(d.c_str(), 0755);
    ::chmod(pkg.db().c_str(), 0644);
    ::chmod(pkg.rpt().c_str(), 01777);
    write_file(pkg.report(), "another clerk's report\r\n");
    ASSERT_EQ(::chown(pkg.report().c_str(), 65534, 65534), 0);
    ::chmod(pkg.report().c_str(), 0666);
    const TempDir home;
    ::chmod(home.path().c_str(), 0777);
    Args argv{"setpriv",
              "--reuid=65533",
              "--regid=65533",
              "--clear-groups",
              "env",
              "HOME=" + home.path().string(),
              zol5300_bin(),
              "report",
              pkg.base().string(),
              "--print-date=2025-03-07"};
    argv.insert(argv.end(), run.begin(), run.end());
    const RunOutput r = run_program(argv);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(read_file(pkg.report()) == expected);
    struct stat st {};
    ASSERT_EQ(::stat(pkg.report().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);  // written in place: still the other clerk's file
}

// Files the user protected are left alone; a private file stays private.
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
    }
}

}  // namespace
}  // namespace zol::test
