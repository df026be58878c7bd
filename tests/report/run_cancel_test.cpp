// A run stopped by its progress listener (the window's Cancel) while the report is being
// written leaves the previous report file as it was, and nothing beside it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "query/check_text.h"
#include "report/report_run.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RunCancel, CancelWhileWritingKeepsThePreviousReport) {
    const fs::path base = test::make_temp_dir("zol_cancel_");
    fs::create_directories(base / "mdb");
    fs::create_directories(base / "rpt");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((base / "mdb" / "ZOL.mdb").c_str(), &db), SQLITE_OK);
    const std::string sql =
        read_file(fs::path(ZOL_SOURCE_DIR) / "tests" / "fixtures" / "report_cli" / "sample.sql");
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    std::ofstream(base / "rpt" / "rep_5300.TXT", std::ios::binary) << "previous report";

    FilterSnapshot f;
    f.tranday_values = {"10/15/2024", "09/10/2024"};
    f.CBO_TranDay = "113/09/10";
    f.CBO_TranDay_index = 1;
    const CheckResult check = Check_Text(f);
    ASSERT_EQ(check.outcome, CheckOutcome::Passed);
    DataControl print, cbo;
    print.set_connection_string(package_connection_string(base.string()));
    cbo.set_connection_string(package_connection_string(base.string()));
    int groups_written = 0;
    const ProgressFn cancel_after_a_group = [&](const Progress& p) {
        if (p.what.rfind("寫入報表", 0) == 0 && ++groups_written == 1) throw RunCancelled();
    };
    EXPECT_THROW(select_data({f, check.dates, base.string(), DateTime{2025, 3, 7}}, print, cbo,
                             cancel_after_a_group),
                 RunCancelled);
    EXPECT_EQ(groups_written, 1);
    EXPECT_EQ(read_file(base / "rpt" / "rep_5300.TXT"), "previous report");
    EXPECT_EQ(std::distance(fs::directory_iterator(base / "rpt"), fs::directory_iterator()), 1);

    // Left alone, the same run writes its report.
    const RunResult r = select_data({f, check.dates, base.string(), DateTime{2025, 3, 7}}, print,
                                    cbo, [](const Progress&) {});
    EXPECT_EQ(r.outcome, RunOutcome::Written);
    EXPECT_GT(r.pages, 1);
    fs::remove_all(base);
}

}  // namespace
}  // namespace zol
