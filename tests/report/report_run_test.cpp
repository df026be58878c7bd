// One report run through the two data controls on real packages: the SQLite form and the
// same package as a real Jet file.
#include "report/report_run.h"

#include <gtest/gtest.h>

#include "query/list_queries.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

class ReportRun : public testing::Test {
  protected:
    Package pkg{Package::Fixture{"report_cli/sample.sql"}};
    FilterSnapshot f;
    DataControl cbo, print;

    ReportRun() {
        cbo.set_connection_string(pkg.connection());
        print.set_connection_string(pkg.connection());
        // 113/09/10 chosen, every group.
        f.tranday_values = {"10/15/2024", "09/10/2024"};
        f.CBO_TranDay = "113/09/10";
        f.CBO_TranDay_index = 1;
    }
    RunResult run() {
        const CheckResult check = Check_Text(f);
        EXPECT_EQ(check.outcome, CheckOutcome::Passed);
        return select_data({f, check.dates, pkg.base().string(), {2025, 3, 7}}, print, cbo);
    }
};

TEST_F(ReportRun, NoRowsOrRefusedStatementsWriteNothing) {
    cbo.set_record_source("select * from ZOL3_Status");
    f.Txt_StdNo1 = "ZZZ";
    RunResult r = run();
    EXPECT_EQ(r.outcome, RunOutcome::NoData);
    EXPECT_EQ(r.message, "查 無 資 料");
    EXPECT_EQ(cbo.record_source(), "select * from ZOL3_Status");  // the item query not given
    f.Txt_StdNo1.clear();
    f.CBO_Grade = "99999";
    print.set_record_source("");
    r = run();
    EXPECT_EQ(r.outcome, RunOutcome::Refused);
    EXPECT_EQ(r.focus, FocusControl::CBO_Grade);
    EXPECT_EQ(print.record_source(), "");
    EXPECT_FALSE(fs::exists(pkg.report()));
}

// Cancel (the progress listener throwing) while the report is written keeps the previous
// report file as it was, and nothing beside it; left alone, the same run writes its report
// (its bytes: the command-line tests on the same package).
TEST_F(ReportRun, CancelWhileWritingKeepsThePreviousReport) {
    write_file(pkg.report(), "previous report");
    const CheckResult check = Check_Text(f);
    int groups_written = 0;
    const ProgressFn cancel_after_a_group = [&](const Progress& p) {
        if (p.what.starts_with("寫入報表") && ++groups_written == 1) throw RunCancelled();
    };
    const RunRequest request{f, check.dates, pkg.base().string(), {2025, 3, 7}};
    EXPECT_THROW(select_data(request, print, cbo, cancel_after_a_group), RunCancelled);
    EXPECT_EQ(groups_written, 1);
    EXPECT_EQ(read_file(pkg.report()), "previous report");
    EXPECT_EQ(std::distance(fs::directory_iterator(pkg.rpt()), {}), 1);
    const RunResult r = select_data(request, print, cbo, [](const Progress&) {});
    EXPECT_EQ(r.outcome, RunOutcome::Written);
    EXPECT_GT(r.pages, 1);
    EXPECT_EQ(r.report_file, pkg.report());
    // The item query is left on the list control, the detail query on the print control.
    EXPECT_TRUE(print.record_source().starts_with("select A.*,"));
    EXPECT_TRUE(cbo.record_source().starts_with("select distinct B.TranDay,"));
}

// The same 300-student package as a Jet file and as a SQLite file: every collection date,
// per class and merged (one run per group of the date), gives byte-identical reports.
TEST(JetPackage, ReportsEqualThoseOfTheSqliteForm) {
    const Package jet{Package::Sql{""}}, lite{Package::Sql{""}};
    fs::copy_file(fixture("jet/zol-sample.mdb"), jet.db(), fs::copy_options::overwrite_existing);
    fs::copy_file(fixture("jet/zol-sample.sqlite"), lite.db(),
                  fs::copy_options::overwrite_existing);
    DataControl jet_print, jet_cbo, lite_print, lite_cbo;
    for (DataControl* c : {&jet_print, &jet_cbo}) c->set_connection_string(jet.connection());
    for (DataControl* c : {&lite_print, &lite_cbo}) c->set_connection_string(lite.connection());

    FilterSnapshot f;
    lite_cbo.set_record_source(insert_CBO_TranDay_sql());
    for (lite_cbo.refresh(); !lite_cbo.eof(); lite_cbo.move_next())
        f.tranday_values.push_back(tranday_entry(lite_cbo.field(0))->value);
    ASSERT_GE(f.tranday_values.size(), 3u);
    int runs = 0;
    for (std::size_t day = 0; day < f.tranday_values.size(); ++day) {
        f.CBO_TranDay = "x";
        f.CBO_TranDay_index = static_cast<int>(day);
        lite_cbo.set_record_source(*insert_CBO_sql("x", f.CBO_TranDay_index, f.tranday_values));
        f.group_ids.clear();
        for (lite_cbo.refresh(); !lite_cbo.eof(); lite_cbo.move_next())
            f.group_ids.push_back(lite_cbo.field(0).text());
        f.Lst_group.entries = f.group_ids;
        for (std::size_t g = 0; g <= f.group_ids.size(); ++g) {
            // g == size: per class over all groups; otherwise merged for group g alone.
            f.Chk_ALL = g < f.group_ids.size();
            f.Lst_group.selected.assign(f.group_ids.size(), false);
            if (f.Chk_ALL) f.Lst_group.selected[g] = true;
            SCOPED_TRACE(f.tranday_values[day] +
                         (f.Chk_ALL ? " merged group " + f.group_ids[g] : ""));
            FilterSnapshot copy = f;
            const CheckResult check = Check_Text(copy);
            ASSERT_EQ(check.outcome, CheckOutcome::Passed) << check.message;
            const RunResult a = select_data({copy, check.dates, jet.base().string(), {2025, 3, 7}},
                                            jet_print, jet_cbo);
            const RunResult b = select_data({copy, check.dates, lite.base().string(), {2025, 3, 7}},
                                            lite_print, lite_cbo);
            ASSERT_EQ(a.outcome, b.outcome);
            if (b.outcome != RunOutcome::Written) continue;
            EXPECT_EQ(a.pages, b.pages);
            EXPECT_TRUE(read_file(jet.report()) == read_file(lite.report()));
            ++runs;
        }
    }
    EXPECT_GT(runs, 3);
}

}  // namespace
}  // namespace zol::test
