// `zol5300 report` run as a program on real SQLite packages: exit codes, messages, the
// statements it prints, the page text it shows, and complete report files.
//
// The fixtures in tests/fixtures/report_cli:
//   sample.sql   the package database of `zol5300 sampledb DIR --students 40 --seed 3`,
//                reduced to the collection dates 2024-09-10 and 2024-10-15 (sqlite3 .dump).
//   per_class.TXT       --tranday 113/09/10 --groups 1 --stdno1 1030001 --stdno2 1050003
//   merged.TXT          --tranday 113/09/10 --groups 1 --merged
//   two_line_items.TXT  --tranday 113/09/10 --groups 2 --grade 6
// each with --print-date 2025-03-07. They were read line by line against the report's
// layout rules before being kept; what was checked:
//   - page header order: FS 3 "1100", FS W 7, 9, the title after 38 blanks, FS W 4, the
//     date/group line, FS W 2, FS 3 "1150", FS W 0, "Zol5300" + 120 blanks + "日期: 114年03月07日",
//     two column header lines (plus two more for a ninth column), 155 underscores;
//   - class text "十(十年級) 年 01(忠班) 班 " filled to 38 columns, and without "(...)" when the
//     grade has no name (grade 11); in merged mode 38 blanks instead; header date 113/09/10;
//   - item header cells: short names right-aligned in 10 columns, names of 9+ columns split
//     4 + 3 characters over the two lines ("電腦使用"/"費", "畢業紀念"/"冊費"), the deleted
//     item "代號23已刪除" on the extra pair of lines;
//   - detail lines: grade labels " 6   " and " 10  ", two-digit class and seat, "*" for the
//     deleted students 歐陽羽 and 趙怡宥, name area 21 without and 15 with a serial number,
//     serials zero-padded to five digits ("00028") and longer ones whole ("3063559"),
//     labels "#轉帳" (account present), " 臨櫃", " 現金", " ATM" with fee 0 while the total keeps
//     the stored fee 10, "網路ATM", " 超商", code 7 as ten blanks; amounts "##,###"; missing
//     amounts as ten blanks; debit dates "113/08/29", empty when PayDay is null;
//   - per-class pages: 30 counted lines then one more empty line, one empty line, 159
//     underscores, page totals, class totals, FF; with nine item columns two lines per
//     student and second totals lines starting after 50 blanks;
//   - merged: two empty lines between classes, columns accumulated in order of first
//     appearance (page 2's header shows the five columns known when it was written), page
//     overflow closing with one empty line, 159 underscores and FF only, the report totals
//     "全部筆數:35" after filling to 30 lines, with sums checked by hand (e.g. 保險費
//     35 x 170 = 5,950; 117,145 = 116,750 in items + 395 stored fees, shown fee sum 375);
//   - a student whose payment has PayAmt 0 (杜怡銘 in group 1) is not listed;
//   - every line ends with CR LF; the FF lines count the pages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/big5.h"
#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(ZOL_SOURCE_DIR) / "tests" / "fixtures" / "report_cli";
const std::string kPrintDate = "--print-date=2025-03-07";

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

using test::RunOutput;

// Runs zol5300 with the arguments, capturing both output streams.
RunOutput run(const std::vector<std::string>& args) {
    return test::run_captured(args);
}

// A package directory whose database is built from sample.sql.
class FixturePackage {
  public:
    FixturePackage() : base_(test::make_temp_dir("zol_fixture_")) {
        fs::create_directories(base_ / "mdb");
        fs::create_directories(base_ / "rpt");
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open((base_ / "mdb" / "ZOL.mdb").c_str(), &db), SQLITE_OK);
        const std::string sql = read_file(kFixtures / "sample.sql");
        EXPECT_FALSE(sql.empty());
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
    ~FixturePackage() {
        std::error_code ec;
        fs::remove_all(base_, ec);
    }
    FixturePackage(const FixturePackage&) = delete;
    FixturePackage& operator=(const FixturePackage&) = delete;

    std::string base() const { return base_.string(); }
    fs::path report() const { return base_ / "rpt" / "rep_5300.TXT"; }
    void exec(const std::string& sql) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((base_ / "mdb" / "ZOL.mdb").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

    RunOutput report(std::vector<std::string> options) const {
        options.insert(options.begin(), {"report", base()});
        return run(options);
    }

  private:
    fs::path base_;
};

// The text lines of page `page` of a report file (Big5), as UTF-8 with their CR LF.
std::string page_text(const std::string& file, int page) {
    std::string out;
    int current = 1;
    std::size_t pos = 0;
    while (pos < file.size()) {
        const std::size_t end = file.find("\r\n", pos);
        const std::string line = file.substr(pos, end - pos);
        pos = end + 2;
        if (line.rfind("\x0c", 0) == 0) {
            if (++current > page) break;
            continue;
        }
        if (current != page || line.rfind("\x1cW", 0) == 0 ||
            line.rfind("\x1c"
                       "3",
                       0) == 0) {
            continue;
        }
        out += from_big5(line) + "\r\n";
    }
    return out;
}

int count_ff_lines(const std::string& file) {
    int n = 0;
    for (std::size_t p = file.find("\r\n\x0c"
                                   "21\r\n");
         p != std::string::npos; p = file.find("\r\n\x0c"
                                               "21\r\n",
                                               p + 1)) {
        ++n;
    }
    return n;
}

const std::vector<std::string> kPerClass = {"--tranday", "113/09/10", "--groups", "1",
                                            "--stdno1",  "1030001",   "--stdno2", "1050003"};
const std::vector<std::string> kMerged = {"--tranday", "113/09/10", "--groups", "1", "--merged"};
const std::vector<std::string> kTwoLine = {"--tranday", "113/09/10", "--groups",
                                           "2",         "--grade",   "6"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ReportCli, WritesTheExpectedReportFiles) {
    const FixturePackage pkg;
    const struct {
        std::vector<std::string> options;
        const char* fixture;
        int pages;
    } cases[] = {
        {kPerClass, "per_class.TXT", 3},
        {kMerged, "merged.TXT", 2},
        {kTwoLine, "two_line_items.TXT", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const RunOutput r = pkg.report(with(c.options, {kPrintDate}));
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, "");
        const std::string written = read_file(pkg.report());
        const std::string expected = read_file(kFixtures / c.fixture);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(written == expected) << "report differs from " << c.fixture;
        EXPECT_EQ(count_ff_lines(written), c.pages);
    }
}

TEST(ReportCli, ShowWritesThePageTextInUtf8) {
    const FixturePackage pkg;
    const std::string merged = read_file(kFixtures / "merged.TXT");

    RunOutput r = pkg.report(with(kMerged, {kPrintDate, "--show"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, page_text(merged, 1));
    EXPECT_NE(r.out.find("郵政轉帳\\臨櫃明細表"), std::string::npos);
    EXPECT_NE(r.out.find("江子品"), std::string::npos);
    EXPECT_EQ(r.out.find('\x1c'), std::string::npos);
    EXPECT_EQ(r.out.find('\x0c'), std::string::npos);

    r = pkg.report(with(kMerged, {kPrintDate, "--show", "--page", "2"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, page_text(merged, 2));
    EXPECT_NE(r.out.find("全部筆數:35"), std::string::npos);
    EXPECT_EQ(r.out.find("江子品"), std::string::npos);

    // A page beyond the last shows nothing.
    r = pkg.report(with(kMerged, {kPrintDate, "--show", "--page=9"}));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(ReportCli, SqlPrintsBothStatementsWithListsInListOrder) {
    const FixturePackage pkg;
    const RunOutput r = pkg.report({"--tranday", "113/09/10", "--groups", "5,1", "--items", "9,3",
                                    "--statuses", "4,2", "--methods", "3,1", "--sql"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto nl = r.out.find('\n');
    ASSERT_NE(nl, std::string::npos);
    const std::string detail = r.out.substr(0, nl);
    const std::string item = r.out.substr(nl + 1);
    EXPECT_EQ(detail.rfind("select A.*,B.TranDay,", 0), 0u);
    EXPECT_NE(detail.find(" where B.TranDay =#09/10/2024# and B.Grpid in(1,5) and C.itemid "
                          "in(3,9) and B.PayAmt > 0  and B.Payway in('1','3')and A.Stdid "
                          "in(select distinct Stdid from ZOL14_Stustas  where Stsid in(2,4))  "
                          "and H.Paystas = -1 order by B.TranDay,"),
              std::string::npos)
        << detail;
    EXPECT_EQ(item.rfind("select distinct B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid,", 0), 0u);
    EXPECT_EQ(item.back(), '\n');
    EXPECT_EQ(item.find('\n'), item.size() - 1);
    EXPECT_FALSE(fs::exists(pkg.report()));  // nothing executed, nothing written
}

TEST(ReportCli, SqlDoesNotExecuteTheStatements) {
    const FixturePackage pkg;
    pkg.exec("drop table Zol9_Payitem");  // the lists still load; the statements would fail
    RunOutput r = pkg.report({"--tranday", "113/09/10", "--sql"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = pkg.report({"--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("Zol9_Payitem"), std::string::npos) << r.err;
}

TEST(ReportCli, RefusedRunsGiveTheirMessageAndCode) {
    const FixturePackage pkg;
    const struct {
        std::vector<std::string> options;
        int code;
        const char* message;
    } cases[] = {
        {{}, 2, "收 款 日 期 必 須 輸 入"},
        {{"--tranday", "113/09/11"}, 2, "113/09/11"},
        {{"--tranday", "113/09/10", "--tranday2", "113/10/1"}, 2, "113/10/1"},
        {{"--tranday", "113/09/10", "--payday1", "113/02/30"}, 2, "日期輸入錯誤"},
        {{"--tranday", "113/09/10", "--payday2", "10"}, 2, "日期輸入錯誤"},
        {{"--tranday", "113/09/10", "--statuses", ""}, 2, "身分別須選擇"},
        {{"--tranday", "113/09/10", "--groups", "99"}, 2, "99"},
        {{"--tranday", "113/09/10", "--items", "1,77"}, 2, "77"},
        {{"--tranday", "113/09/10", "--statuses", "1,12345"}, 2, "12345"},
        {{"--tranday", "113/09/10", "--methods", "1,4"}, 2, "4"},
        {{"--tranday", "113/09/10", "--grade", "70000"}, 2, "年級別輸入錯誤"},
        {{"--tranday", "113/09/10", "--merged"},
         2,
         "採用班級合併列印,必須限定繳費群組,請選取繳費群組"},
        {{"--tranday", "113/09/10", "--tranday2", "113/10/15", "--merged", "--groups", "1"},
         2,
         "採用班級合併列印,請限定同一收款日期"},
        {{"--tranday", "113/09/10", "--bogus"}, 2, "--bogus"},
        {{"--tranday"}, 2, "--tranday"},
        {{"--tranday", "113/09/10", "--stdno1", "ZZZ"}, 1, "查 無 資 料"},
        {{"--tranday", "113/09/10", "--print"}, 3, "你 要 顯 示 全 校 名 冊 嗎?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        const RunOutput r = pkg.report(c.options);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(ReportCli, RunsThatStopLeaveThePreviousReportAsItWas) {
    const FixturePackage pkg;
    const std::string previous = "previous report\r\n";
    write_file(pkg.report(), previous);
    const std::vector<std::vector<std::string>> stops = {
        {"--tranday", "113/09/10", "--stdno1", "ZZZ"},         // no data
        {"--tranday", "113/09/10", "--payday1", "113/13/01"},  // check failed
        {"--tranday", "113/09/10", "--statuses", ""},          // statuses required
        {"--tranday", "113/09/10", "--print"},                 // answered No
        {"--tranday", "113/09/10", "--grade", "1", "--print", "--sql", "--yes"},  // SQL only
    };
    for (const auto& options : stops) {
        SCOPED_TRACE(testing::PrintToString(options));
        const RunOutput r = pkg.report(options);
        EXPECT_NE(r.code, -1);
        EXPECT_EQ(read_file(pkg.report()), previous);
    }
    // A database error during the run.
    pkg.exec("drop table ZOL4_Item");
    const RunOutput r = pkg.report({"--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(read_file(pkg.report()), previous);
}

TEST(ReportCli, DirectPrintAsksOnlyWithoutStudentFilter) {
    const FixturePackage pkg;
    // With a student filter no question is asked and the report is written.
    RunOutput r = pkg.report(with(kTwoLine, {kPrintDate, "--print"}));
    EXPECT_EQ(r.err.find("全 校"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(pkg.report()), read_file(kFixtures / "two_line_items.TXT"));
    fs::remove(pkg.report());
    // Answered Yes: the whole school is written.
    r = pkg.report(
        {"--tranday", "113/09/10", "--groups", "1", "--merged", kPrintDate, "--print", "--yes"});
    EXPECT_NE(r.code, 3);
    EXPECT_EQ(read_file(pkg.report()), read_file(kFixtures / "merged.TXT"));
}

TEST(ReportCli, FileAndDatabaseErrorsAreExitCodeFour) {
    const FixturePackage pkg;
    fs::remove_all(fs::path(pkg.base()) / "rpt");
    RunOutput r = pkg.report({"--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("rep_5300"), std::string::npos) << r.err;

    const fs::path empty = test::make_temp_dir("zol_empty_");
    r = run({"report", empty.string(), "--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("ZOL.mdb"), std::string::npos) << r.err;
    fs::remove_all(empty);
}

TEST(ReportCli, OddValuesNeverCrash) {
    const FixturePackage pkg;
    const std::string longest(100000, '9');
    const std::vector<std::vector<std::string>> odd = {
        {"--tranday", "113/09/10", "--stdno1", "\xff\xfe'\x80"},
        {"--tranday", "113/09/10", "--stdno2", "O'Neil"},
        {"--tranday", "113/09/10", "--class1", longest},
        {"--tranday", "113/09/10", "--seat2", "1e999999"},
        {"--tranday", "113/09/10", "--grade", "\xe5\xb9\xbc"},
        {"--tranday", "\xff/09/10"},
        {"--tranday", "113/09/10", "--payday1", longest},
        {"--tranday", "113/09/10", "--preway", std::string(5000, '\x01')},
        {"--tranday", "113/09/10", "--groups", ",,,", "--page", "-3"},
        {"--tranday", "113/09/10", "--print-date", "2025-02-30"},
    };
    for (const auto& options : odd) {
        SCOPED_TRACE(options.size());
        const RunOutput r = pkg.report(options);
        EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == 2) << r.code << " " << r.err;
    }
    // A typed quote stays text: no row has that student number, and the statement is valid.
    const RunOutput r = pkg.report({"--tranday", "113/09/10", "--stdno1", "1'", "--stdno2", "1'9"});
    EXPECT_EQ(r.code, 1) << r.err;
}

TEST(ReportCli, PartlyTypedPayDatesFillTheMask) {
    const FixturePackage pkg;
    // "1130901" typed without slashes fills the mask as 113/09/01.
    RunOutput r = pkg.report(
        {"--tranday", "113/09/10", "--payday1", "1130901", "--payday2", "113/09/05", "--sql"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("   and B.payday >=#09/01/2024#   and B.payday <=#09/05/2024#"),
              std::string::npos);
}

TEST(ReportCli, RunsOnAGeneratedSamplePackage) {
    const test::SamplePackage pkg(120, 5);
    // The newest collection date of the list, as the window shows it.
    const RunOutput listing =
        run({"sql", pkg.db().string(),
             "select distinct TranDay from ZOL10_Agency where PayStas = -1 order "
             "by TranDay desc "});
    ASSERT_EQ(listing.code, 0) << listing.err;
    const std::string iso = listing.out.substr(0, 10);
    const std::string roc = std::to_string(std::stoi(iso.substr(0, 4)) - 1911) + "/" +
                            iso.substr(5, 2) + "/" + iso.substr(8, 2);
    const std::string padded = std::string(roc.size() < 9 ? "0" : "") + roc;
    const RunOutput r = run({"report", pkg.base().string(), "--tranday", padded, "--show"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("收款日期: " + roc), std::string::npos);
    const std::string file = read_file(pkg.rpt() / "rep_5300.TXT");
    EXPECT_GE(count_ff_lines(file), 1);
    EXPECT_EQ(r.out, page_text(file, 1));
}

}  // namespace
}  // namespace zol
