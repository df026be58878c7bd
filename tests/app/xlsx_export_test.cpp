// zol5300 report --xlsx on the fixture package, read back with openpyxl: every cell of
// "明細" against the run's rows, "合計" against the report's totals lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/translate.h"
#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;
using test::RunOutput;

struct Package {
    fs::path base = test::make_temp_dir("zol_xlsx_") / "pkg";
    Package() { EXPECT_EQ(test::xlsx_check({"package", base}).code, 0); }
    ~Package() { fs::remove_all(base.parent_path()); }
    RunOutput report(std::vector<std::string> args) const {
        args.insert(args.begin(), {"report", base.string(), "--print-date=2025-03-07"});
        return test::run_captured(args);
    }
};

std::vector<std::string> with(std::vector<std::string> a, std::vector<std::string> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(XlsxExport, HoldsTheRunsRowsAndTheReportsTotals) {
    const Package pkg;
    const struct {
        std::vector<std::string> filters;
        const char* students;
    } cases[] = {
        {{"--tranday=113/09/10", "--groups=1", "--stdno1=1030001", "--stdno2=1050003"}, "ok 9"},
        {{"--tranday=113/09/10", "--groups=1", "--merged"}, "ok 35"},
        {{"--tranday=113/09/10", "--groups=2", "--grade=6"}, "ok 3"},  // nine item columns
    };
    const fs::path book = pkg.base / "rpt" / "報表.xlsx";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.students);
        ASSERT_EQ(pkg.report(c.filters).code, 0);
        std::istringstream sql(pkg.report(with(c.filters, {"--sql"})).out);
        std::string detail, items;
        std::getline(sql, detail);
        std::getline(sql, items);
        const RunOutput r = pkg.report(with(c.filters, {"--xlsx", book.string()}));
        ASSERT_EQ(r.code, 0) << r.err;
        const RunOutput check = test::xlsx_check(
            {"check", book, pkg.base / "mdb" / "ZOL.mdb", translate_access_sql(detail),
             translate_access_sql(items), pkg.base / "rpt" / "rep_5300.TXT"});
        EXPECT_EQ(check.out, std::string(c.students) + "\n") << check.err;
    }
}

TEST(XlsxExport, NoDataOrAnUnwritableFileWritesNothing) {
    const Package pkg;
    const fs::path old = pkg.base / "rpt" / "old.xlsx";
    std::ofstream(old) << "old";
    const std::vector<std::string> run = {"--tranday=113/09/10", "--groups=1"};

    RunOutput r = pkg.report(with(run, {"--stdno1=9999998", "--stdno2=9999999", "--xlsx", old}));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "查 無 資 料\n");
    EXPECT_EQ(pkg.report(with(run, {"--xlsx", old, "--pdf", "a.pdf"})).code, 2);

    const struct {
        fs::path file;
        const char* reason;
    } bad[] = {
        {pkg.base / "missing" / "a.xlsx", "資料夾不存在"},
        {old / "a.xlsx", "資料夾不存在"},
        {pkg.base / "rpt", "同名的資料夾已存在"},
    };
    for (const auto& b : bad) {
        r = pkg.report(with(run, {"--xlsx", b.file}));
        EXPECT_EQ(r.code, 4);
        EXPECT_EQ(r.err, "無法寫入 Excel 檔：" + b.file.string() + "（" + b.reason + "）\n");
    }
    EXPECT_EQ(test::read_file(old), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(pkg.base / "rpt"), {}), 1);
}

}  // namespace
}  // namespace zol
