// One report run through the two data controls on a real SQLite package.
#include "report/report_run.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "query/check_text.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(ZOL_SOURCE_DIR) / "tests" / "fixtures" / "report_cli";

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ReportRun : public testing::Test {
  protected:
    void SetUp() override {
        base_ = test::make_temp_dir("zol_run_");
        fs::create_directories(base_ / "mdb");
        fs::create_directories(base_ / "rpt");
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((base_ / "mdb" / "ZOL.mdb").c_str(), &db), SQLITE_OK);
        const std::string sql = read_file(kFixtures / "sample.sql");
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const std::string connection = package_connection_string(base_.string());
        ado_cbo_.set_connection_string(connection);
        ado_print_.set_connection_string(connection);

        // 113/09/10 chosen, groups 1, 2 and 5 listed, group 1 the only one selected.
        f_.tranday_values = {"10/15/2024", "09/10/2024"};
        f_.CBO_TranDay = "113/09/10";
        f_.CBO_TranDay_index = 1;
        f_.Opt_group1 = false;
        f_.Lst_group.entries = {"學雜費", "代辦費", "午餐費"};
        f_.Lst_group.selected = {true, false, false};
        f_.group_ids = {"1", "2", "5"};
    }
    void TearDown() override { fs::remove_all(base_); }

    RunResult run_with(const std::string& stdno1, const std::string& stdno2) {
        f_.Txt_StdNo1 = stdno1;
        f_.Txt_StdNo2 = stdno2;
        const CheckResult check = Check_Text(f_);
        EXPECT_EQ(check.outcome, CheckOutcome::Passed);
        const RunRequest request{f_, check.dates, base_.string(), DateTime{2025, 3, 7}};
        return select_data(request, ado_print_, ado_cbo_);
    }
    fs::path report() const { return base_ / "rpt" / "rep_5300.TXT"; }

    fs::path base_;
    FilterSnapshot f_;
    DataControl ado_cbo_;
    DataControl ado_print_;
};

TEST(PackageConnection, IsTheFixedTextAroundTheBasePath) {
    EXPECT_EQ(package_connection_string("C:\\Zol"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database password = KTWOM;Data "
              "Source=C:\\Zol\\mdb\\ZOL.mdb;Persist Security Info=False");
}

TEST_F(ReportRun, WritesTheReportAndLeavesTheItemQueryOnAdoCbo) {
    const RunResult r = run_with("1030001", "1050003");
    ASSERT_EQ(r.outcome, RunOutcome::Written) << r.message;
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.report_file, report());
    EXPECT_TRUE(read_file(report()) == read_file(kFixtures / "per_class.TXT"));
    EXPECT_EQ(ado_print_.record_source().rfind("select A.*,", 0), 0u);
    EXPECT_EQ(ado_cbo_.record_source().rfind("select distinct B.TranDay,", 0), 0u);
    EXPECT_NE(ado_print_.record_source().find(" and B.Grpid in(1) "), std::string::npos);
}

TEST_F(ReportRun, NoRowsWritesNothing) {
    ado_cbo_.set_record_source("select * from ZOL3_Status");
    const RunResult r = run_with("ZZZ", "");
    EXPECT_EQ(r.outcome, RunOutcome::NoData);
    EXPECT_EQ(r.message, "查 無 資 料");
    EXPECT_EQ(r.pages, 0);
    EXPECT_FALSE(fs::exists(report()));
    // The item query was never given to Ado_CBO.
    EXPECT_EQ(ado_cbo_.record_source(), "select * from ZOL3_Status");
}

TEST_F(ReportRun, RefusedStatementsRunNothing) {
    f_.Opt1 = false;
    f_.Opt2 = true;
    f_.Lst_status.entries = {"一般生"};
    f_.Lst_status.selected = {false};
    f_.status_codes = {"1"};
    RunResult r = run_with("", "");
    EXPECT_EQ(r.outcome, RunOutcome::Refused);
    EXPECT_EQ(r.message, "身分別須選擇");
    EXPECT_EQ(ado_print_.record_source(), "");
    EXPECT_FALSE(fs::exists(report()));

    f_.Opt2 = false;
    f_.CBO_Grade = "99999";
    r = run_with("", "");
    EXPECT_EQ(r.outcome, RunOutcome::Refused);
    EXPECT_EQ(r.focus, FocusControl::CBO_Grade);
    EXPECT_EQ(ado_print_.record_source(), "");
}

}  // namespace
}  // namespace zol
