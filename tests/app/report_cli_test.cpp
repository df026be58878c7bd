// `zol5300 report` run as a program on real SQLite packages: its option parsing, one run
// per exit code, the statements it prints, the page text it shows and complete reports.
//
// The fixtures in tests/fixtures/report_cli:
//   sample.sql   the package database of `zol5300 sampledb DIR --students 40 --seed 3`,
//                reduced to the collection dates 2024-09-10 and 2024-10-15 (sqlite3 .dump).
//   per_class.TXT       --tranday 113/09/10 --groups 1 --stdno1 1030001 --stdno2 1050003
//   merged.TXT          --tranday 113/09/10 --groups 1 --merged
//   two_line_items.TXT  --tranday 113/09/10 --groups 2 --grade 6
// each with --print-date 2025-03-07; they were read line by line against the report's
// layout rules (headers, item cells, labels, totals, merged columns) before being kept.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <thread>

#include "core/unique_fd.h"
#include "support/dev_null_guard.h"
#include "support/report_pages.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

using Args = std::vector<std::string>;

class ReportCli : public ::testing::Test {
  protected:
    Package pkg{Package::Fixture{"report_cli/sample.sql"}};
    RunOutput report(Args options) const {
        options.insert(options.begin(), {"report", pkg.base().string()});
        return run_captured(options);
    }
};

const Args kPerClass = {"--tranday", "113/09/10", "--groups", "1",
                        "--stdno1",  "1030001",   "--stdno2", "1050003"};
const Args kMerged = {"--tranday", "113/09/10", "--groups", "1", "--merged"};
const Args kTwoLine = {"--tranday", "113/09/10", "--groups", "2", "--grade", "6"};

Args with(Args a, const Args& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ReportCli, WritesTheExpectedReportFiles) {
    const struct {
        Args options;
        const char* fixture;
        std::size_t pages;
    } cases[] = {{with(kPerClass, {"--print-date=2025-03-07"}), "per_class.TXT", 3},
                 {with(kMerged, {"--print-date", "2025-03-07"}), "merged.TXT", 2},
                 // Asks nothing: a student filter is set.
                 {with(kTwoLine, {"--print-date=2025-03-07", "--print", "--pdf", "/dev/null"}),
                  "two_line_items.TXT", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const RunOutput r = report(c.options);
        EXPECT_EQ(r.code, 0) << r.err;
        const std::string expected = read_file(fixture(std::string("report_cli/") + c.fixture));
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(read_file(pkg.report()) == expected) << "report differs from " << c.fixture;
        EXPECT_EQ(load_report(pkg.report()).ff_count(), c.pages);
    }
    EXPECT_TRUE(is_null_device());
}

// A device, a FIFO or a link to one takes the export's bytes; it is never replaced, and a
// FIFO that nobody reads is refused at once instead of waiting.
TEST_F(ReportCli, ExportsIntoADeviceOrFifoWriteThroughIt) {
    const TempDir dir;
    const fs::path fifo = dir / "pipe", link = dir / "null-link";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/null", link);
    for (const char* option : {"--pdf", "--xlsx"}) {
        SCOPED_TRACE(option);
        const Args run = with(kPerClass, {option});
        for (const fs::path& target : {fs::path("/dev/null"), link}) {
            const RunOutput r = report(with(run, {target.string()}));
            EXPECT_EQ(r.code, 0) << r.err;
        }
        EXPECT_TRUE(is_null_device());
        EXPECT_TRUE(fs::is_symlink(link));

        RunOutput r = report(with(run, {fifo.string()}));
        EXPECT_EQ(r.code, 4);
        EXPECT_NE(r.err.find("沒有程式在接收寫入的資料"), std::string::npos) << r.err;

        // Our own writer end keeps the reader from seeing the end before the run writes.
        const UniqueFd in(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        ASSERT_TRUE(in && ::fcntl(in.get(), F_SETFL, O_RDONLY) == 0);
        UniqueFd hold(::open(fifo.c_str(), O_WRONLY | O_CLOEXEC));
        std::string received;
        std::thread reader([&] {
            char piece[4096];
            for (ssize_t n; (n = ::read(in.get(), piece, sizeof piece)) > 0;)
                received.append(piece, static_cast<std::size_t>(n));
        });
        r = report(with(run, {fifo.string()}));
        hold.reset();
        reader.join();
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(received.starts_with(option == std::string("--pdf") ? "%PDF-" : "PK"));
        EXPECT_TRUE(received.ends_with(option == std::string("--pdf") ? "%%EOF\n" : ""));
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    }
}

TEST_F(ReportCli, ShowPrintsOnePageInUtf8) {
    const Report merged = load_report(fixture("report_cli/merged.TXT"));
    for (const auto& [page, text] :
         std::vector<std::pair<std::string, int>>{{"1", 1}, {"2", 2}, {"9", 9}}) {
        const RunOutput r =
            report(with(kMerged, {"--print-date=2025-03-07", "--show", "--page", page}));
        ASSERT_EQ(r.code, 0) << r.err;
        std::string want;
        for (const auto& l : merged.page(text)) want += l + "\r\n";
        EXPECT_EQ(r.out, want) << "page " << page;
    }
}

TEST_F(ReportCli, SqlPrintsBothStatementsAndRunsNothing) {
    pkg.exec("drop table Zol9_Payitem");  // the lists still load; the statements would fail
    RunOutput r = report({"--tranday", "113/09/10", "--groups", "5,1", "--items", "9,3",
                          "--payday1", "1130901", "--sql"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto nl = r.out.find('\n');
    EXPECT_TRUE(r.out.starts_with("select A.*,B.TranDay,")) << r.out;
    // Ids in list order; a pay date typed without slashes fills the mask.
    EXPECT_NE(r.out.find("#09/10/2024#   and B.payday >=#09/01/2024# and B.Grpid in(1,5) and "
                         "C.itemid in(3,9) "),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(r.out.substr(nl + 1).starts_with("select distinct B.TranDay,"));
    EXPECT_FALSE(fs::exists(pkg.report()));
    r = report({"--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("Zol9_Payitem"), std::string::npos) << r.err;
}

// Option parsing, and one run for each exit code; a run that stops keeps the old report.
TEST_F(ReportCli, ExitCodesMessagesAndThePreviousReport) {
    const struct {
        Args options;
        int code;
        const char* message;
    } cases[] = {
        {{"--tranday", "113/09/10", "--bogus"}, 2, "不明的選項"},
        {{"--tranday"}, 2, "--tranday"},
        {{"--tranday", "113/09/10", "--page", "0"}, 2, "頁次必須是 1 到 2147483647 的整數"},
        {{"--tranday", "113/09/10", "--page", "2147483648"},
         2,
         "頁次必須是 1 到 2147483647 的整數"},
        {{"--tranday", "113/09/10", "--print-date", "2025-02-30"},
         2,
         "列印日期必須寫成 YYYY-MM-DD"},
        {{}, 2, "收 款 日 期 必 須 輸 入"},
        {{"--tranday", "113/09/11"}, 2, "不在收款日期清單中"},
        {{"--tranday", "113/09/10", "--groups", "99"}, 2, "不在群組清單中"},
        {{"--tranday", "113/09/10", "--items", "1,77"}, 2, "不在項目清單中"},
        {{"--tranday", "113/09/10", "--statuses", "1,12345"}, 2, "不在身分別清單中"},
        {{"--tranday", "113/09/10", "--methods", "1,4"}, 2, "繳費方式"},
        {{"--tranday", "113/09/10", "--stdno1", "ZZZ"}, 1, "查 無 資 料"},
        {{"--tranday", "113/09/10", "--print"}, 3, "你 要 顯 示 全 校 名 冊 嗎?"},
        {{"--tranday", "113/09/10", "--grade", "1", "--print", "--sql", "--yes"}, 0, ""},
    };
    const std::string previous = "previous report\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.options));
        write_file(pkg.report(), previous);
        const RunOutput r = report(c.options);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(read_file(pkg.report()), previous);
    }
    // Only --print asks: the whole school goes to a PDF unasked.
    const fs::path pdf = pkg.base() / "whole.pdf";
    EXPECT_EQ(report({"--tranday", "113/09/10", "--pdf", pdf.string()}).code, 0);
    EXPECT_TRUE(read_file(pdf).starts_with("%PDF-"));
    // File and database errors are code 4 and name the file.
    fs::remove_all(pkg.rpt());
    write_file(pkg.rpt(), "a file where the report folder belongs");
    RunOutput r = report({"--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("rep_5300"), std::string::npos) << r.err;
    const TempDir empty;
    r = run_captured({"report", empty.path().string(), "--tranday", "113/09/10"});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("ZOL.mdb"), std::string::npos) << r.err;
}

// A database whose table is a view that calls itself for ever: the statement is stopped at
// its limit with a message, and the previous report stays.
TEST_F(ReportCli, AStatementThatNeverEndsIsStopped) {
    pkg.exec(
        "DROP TABLE ZOL10_Agency; CREATE VIEW ZOL10_Agency AS WITH RECURSIVE n(i) AS (SELECT 1 "
        "UNION ALL SELECT i + 1 FROM n) SELECT '2024-09-10' AS TranDay, 1 AS GrpID, "
        "-1 AS PayStas FROM n;");
    write_file(pkg.report(), "previous\r\n");
    Args argv{"env", "ZOL5300_STATEMENT_SECONDS=2", zol5300_bin(), "report", pkg.base().string()};
    argv.insert(argv.end(), kMerged.begin(), kMerged.end());
    const RunOutput r = run_program(with({"timeout", "-s", "KILL", "60"}, argv));
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("查詢執行超過 2 秒，已停止"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(pkg.report()), "previous\r\n");
}

// "page N line M: <line>" for each line that holds the text, M counting the shown lines.
TEST_F(ReportCli, FindPrintsTheLinesThatHoldATextWithItsExitCode) {
    ASSERT_EQ(report(kPerClass).code, 0);
    const Report written = load_report(pkg.report());
    std::string lines;
    for (int p = 1; p <= static_cast<int>(written.ff_count()); ++p) {
        const auto page = written.page(p);
        for (std::size_t l = 0; l < page.size(); ++l)
            if (page[l].find("8,885") != std::string::npos)
                lines += "page " + std::to_string(p) + " line " + std::to_string(l + 1) + ": " +
                         page[l] + "\n";
    }
    ASSERT_NE(lines.find("page 3 line"), std::string::npos);
    const std::string base = pkg.base().string();
    const struct {
        Args args;
        int code;
        std::string out, err;
    } cases[] = {
        {with({"report", base, "--find", "8885"}, kPerClass), 0, lines, ""},
        {{"find", base, "8,885"}, 0, lines, ""},
        {{"find", base, "呂威澄"}, 0, lines.substr(0, lines.find('\n') + 1), ""},
        {{"find", base, "31100"}, 1, "", "找不到「31100」"},  // a control line
        {{"find", base}, 2, "", "用法：zol5300 find BASE TEXT"},
        {{"find", base + "/none", "x"}, 4, "", "無法開啟報表檔"},
    };
    for (const auto& c : cases) {
        const RunOutput r = run_captured(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back();
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

// Sums of ordinary data fill their columns: each amount of every totals line stands apart
// from the one before it, in per-class and merged mode alike.
TEST(ReportTotals, AmountsThatFillTheirColumnsStayApart) {
    const SamplePackage p(10000, 5);
    const std::regex amounts(R"(.*:(\s+-?\d{1,3}(,\d{3})*)+)");
    for (const bool merged : {false, true}) {
        Args args{"report", p.base().string(), "--tranday", "115/02/24", "--groups", "1"};
        if (merged) args.push_back("--merged");
        ASSERT_EQ(run_captured(args).code, 0);
        const Report r = load_report(p.report());
        std::size_t totals = 0;
        for (std::size_t i = 0; i < r.lines.size(); ++i) {
            const std::string t = r.text(i);
            if (t.find("加總:") == std::string::npos) continue;
            ++totals;
            EXPECT_TRUE(std::regex_match(t, amounts)) << t;
        }
        EXPECT_GT(totals, merged ? 0u : 2u);
        if (merged) {
            EXPECT_TRUE(
                r.text(r.lines.size() - 2)
                    .ends_with(
                        "   83,560 1,426,470   839,100 3,608,130 2,931,930 6,585,670 12,542,400  "
                        "28,022,760"));
        }
    }
}

TEST(SampleDbCommand, SeedsSizesAndBadArguments) {
    const SamplePackage a(40, 42), b(40, 42), c(40, 43);
    EXPECT_TRUE(read_file(a.db()) == read_file(b.db()));
    EXPECT_FALSE(read_file(a.db()) == read_file(c.db()));
    const RunOutput n = run_captured({"sql", a.db().string(), "select count(*) from ZOL7_Student"});
    EXPECT_EQ(n.out, "40\n") << n.err;
    const TempDir dir;
    const std::string x = dir.path().string();
    for (const Args& bad : {Args{"sampledb"}, Args{"sampledb", x, "--students", "0"},
                            Args{"sampledb", x, "--students", "12x"}, Args{"sampledb", x, "--seed"},
                            Args{"sampledb", x, "--colour", "red"}}) {
        EXPECT_EQ(run_captured(bad).code, 2) << testing::PrintToString(bad);
    }
    EXPECT_FALSE(fs::exists(dir / "mdb"));
}

// What the generated package must hold for the report to meet every case: each query
// counts the rows that break a rule (0) or that show a case (more than 0).
TEST(SampleDbCommand, ContentCoversTheReportsCases) {
    const SamplePackage p(900, 3);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(p.db().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const auto count = [&](const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        long long n = -1;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    const char* none[] = {
        "select count(*) from ZOL7_Student where DelMark not in (0,-1) or typeof(StdNo) <> 'text'",
        "select 900 - count(distinct StdNo) from ZOL7_Student",
        "select 7 - count(distinct payway) from ZOL8_Payment where Paystas = -1 and PayAmt > 0",
        "select count(*) from ZOL8_Payment B left join (select Stdid, Tranday, Grpid, "
        "sum(Itemamt) s from Zol9_Payitem group by 1,2,3) C on B.Stdid = C.Stdid and B.TranDay = "
        "C.Tranday and B.Grpid = C.Grpid where C.s is null or C.s <> B.PayAmt",
        "select count(*) from ZOL8_Payment B left join ZOL10_Agency H on B.TranDay = H.TranDay "
        "and B.Grpid = H.GrpID where H.GrpID is null",
        "select count(*) from (select 1 from ZOL7_Student group by Grade, ClsID having "
        "max(SeatNo) <> count(distinct SeatNo) or count(*) > 35)",
        "select count(*) from ZOL8_Payment where TranDay not like '202_-__-__'",
    };
    const char* some[] = {
        "select count(*) from ZOL7_Student where DelMark = -1",
        "select count(*) from ZOL7_Student A left join ZOL11_Class F on A.Grade = F.Grade and "
        "A.ClsID = F.Clsid where F.Clsid is null",
        "select count(*) from Zol9_Payitem C left join ZOL4_Item D on C.Itemid = D.Itemid where "
        "D.Itemid is null",
        "select count(*) from ZOL8_Payment where PayAmt = 0 or Paystas = 0",
        "select count(*) from ZOL8_Payment where flow_number is null or PayDay is null",
        "select max(n) - 8 from (select count(distinct Itemid) n from Zol9_Payitem C join "
        "ZOL7_Student A on A.Stdid = C.Stdid group by C.Tranday, C.Grpid, A.Grade, A.ClsID)",
    };
    for (const char* q : none) EXPECT_EQ(count(q), 0) << q;
    for (const char* q : some) EXPECT_GT(count(q), 0) << q;
    sqlite3_close(db);
}

}  // namespace
}  // namespace zol::test
