// Data beyond the report's stated limits stays visible and never breaks the run; a
// report that cannot be written leaves the previous one in place.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/big5.h"
#include "data/db_error.h"
#include "report/report_file.h"
#include "report/report_fixture.h"

namespace zol::test {
namespace {

Payment one() {
    Payment p;
    p.stdid = "A1";
    p.seatno = 7;
    p.items = {{"學費", 1000}};
    return p;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WriterLimits, NameWiderThanItsAreaIsWrittenWithoutPadding) {
    Payment with_serial = one();
    with_serial.stdname = "歐陽司馬上官諸葛大名";  // 20 columns, 21 with the mark
    with_serial.flow_number = "42";
    Payment without = with_serial;
    without.stdid = "A2";
    without.flow_number.clear();
    without.stdname = "歐陽司馬上官諸葛大名小";  // 23 columns with the mark
    const WrittenReport run = write_report({with_serial, without}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 18, 48), " 歐陽司馬上官諸葛大名00042     ");
    EXPECT_EQ(run.report.cols(d + 1, 18, 50), " 歐陽司馬上官諸葛大名小      臨櫃");
}

TEST(WriterLimits, ClassTextOver38ColumnsIsFollowedDirectlyByTheDate) {
    Payment p = one();
    p.grade_name = "國民小學三年級普通班";
    p.clsid_name = "資優實驗忠孝仁愛班";
    const WrittenReport run = write_report({p}, false);
    EXPECT_EQ(run.report.text(5),
              "    三(國民小學三年級普通班) 年 05(資優實驗忠孝仁愛班) 班 "
              "收款日期: 114/03/07     繳費群組： 上學期學雜費");
}

TEST(WriterLimits, MoreThan255StudentsInOneClassGroup) {
    const WrittenReport run = write_report(students(300, 3, 5), false);
    EXPECT_EQ(run.pages, 10);
    const auto cls = run.report.find_prefix("    班總筆數:300 ");
    ASSERT_TRUE(cls);
    EXPECT_EQ(run.report.cols(*cls, 46, 76), "    4,500   300,000     304,500");
    const auto last = run.report.find_prefix("     3   05   300 ");
    ASSERT_TRUE(last);
    EXPECT_EQ(run.report.cols(*last, 15, 18), "300 ");
}

TEST(WriterLimits, LongSerialNumberIsPrintedWhole) {
    Payment p = one();
    p.flow_number = "1234567";
    const WrittenReport run = write_report({p}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 33, 39), "1234567");
    EXPECT_EQ(run.report.cols(d, 40, 49), "      臨櫃");
}

TEST(WriterLimits, ThreeDigitSeatIsPrintedWhole) {
    Payment p = one();
    p.seatno = 123;
    const WrittenReport run = write_report({p}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 10, 25), "05   123  王小明");
}

TEST(WriterLimits, NullNumericFieldsCountAsZero) {
    Payment p = one();
    p.overrides["FEE"] = Value();
    p.overrides["itemamt"] = Value();
    p.overrides["delmark"] = Value();
    Payment q = one();
    q.stdid = "A2";
    q.seatno = 8;
    const WrittenReport run = write_report({p, q}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 18, 20), " 王");
    EXPECT_EQ(run.report.cols(d, 49, 81), "       0" + std::string(24, ' '));
    EXPECT_EQ(run.report.lines[d].size(), 80u);
    const auto page = run.report.find_prefix("    筆數:2");
    ASSERT_TRUE(page);
    EXPECT_EQ(run.report.cols(*page, 46, 76), "       15     1,000       1,015");
}

TEST(WriterLimits, SumsBeyond32BitsStayExact) {
    auto ps = students(3, 3, 5, "學費", 2000000000.0);
    const WrittenReport run = write_report(ps, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_NE(run.report.text(d).find("      152,000,000,0002,000,000,015  "), std::string::npos);
    const auto cls = run.report.find_prefix("    班總筆數:3 ");
    ASSERT_TRUE(cls);
    EXPECT_NE(run.report.text(*cls).find("6,000,000,000"), std::string::npos);
    EXPECT_NE(run.report.text(*cls).find("6,000,000,045"), std::string::npos);
}

TEST(WriterLimits, EmptyStudentIdStillGivesTheFirstStudentARow) {
    Payment p = one();
    p.stdid = "";
    const WrittenReport run = write_report({p}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_TRUE(run.report.text(d).starts_with("     3   05   07  王小明")) << run.report.text(d);
    EXPECT_TRUE(run.report.find_prefix("    班總筆數:1 "));
}

TEST(WriterLimits, DatesStoredAsTextAreReadAsDates) {
    Payment p = one();
    p.overrides["TranDay"] = Value(std::string("2010-12-31"));
    p.overrides["PayDay"] = Value(std::string("2011-01-05 10:30:00"));
    Payment listed = one();
    listed.tranday = DateTime{2010, 12, 31};
    // The item rows carry the date as a date value: the keys still match, so the listed
    // item the student has no line of opens the first column.
    const WrittenReport run =
        write_report({p}, false, item_rows_for({{listed, {"書籍費", "學費"}}}));
    EXPECT_TRUE(run.report.text(5).find("收款日期: 99/12/31 ") != std::string::npos)
        << run.report.text(5);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d - 3, 59, 78), "  書籍費      學費  ");
    EXPECT_EQ(run.report.cols(d, 57, 99),
              std::string(10, ' ') + "     1,000" + "       1,015" + "  100/01/05");
}

TEST(WriterFile, MissingDirectoryGivesAClearError) {
    TempDir dir;
    const auto target = dir.path() / "no_such_dir" / "rep_5300.TXT";
    ResultSet detail = detail_rows({one()});
    ResultSet items = item_rows({one()});
    WriterOptions options{false, DateTime{2025, 3, 7}, target};
    try {
        print_date(detail, items, options);
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("報表檔"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos);
        EXPECT_EQ(e.path(), target);
    }
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(WriterFile, FailedRunLeavesThePreviousReportAndNoTemporaryFile) {
    TempDir dir;
    const auto target = dir.path() / "rep_5300.TXT";
    std::ofstream(target) << "OLD REPORT\r\n";
    ResultSet detail = detail_rows({one()});
    // An item list without the item name column: reading the first group fails.
    ResultSet items({"TranDay", "Grpid", "grade", "Clsid"},
                    {{Value(DateTime{2025, 3, 7}), Value(std::int64_t{1}), Value(std::int64_t{3}),
                      Value(std::int64_t{5})}});
    WriterOptions options{false, DateTime{2025, 3, 7}, target};
    EXPECT_THROW(print_date(detail, items, options), DbError);
    EXPECT_EQ(slurp(target), "OLD REPORT\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriterFile, TargetThatIsADirectoryIsReportedAndCleanedUp) {
    TempDir dir;
    const auto target = dir.path() / "rep_5300.TXT";
    std::filesystem::create_directory(target);
    std::ofstream(target / "keep") << "x";
    ResultSet detail = detail_rows({one()});
    ResultSet items = item_rows({one()});
    WriterOptions options{false, DateTime{2025, 3, 7}, target};
    EXPECT_THROW(print_date(detail, items, options), ReportError);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriterFile, ReplacesThePreviousReport) {
    TempDir dir;
    const auto target = dir.path() / "rep_5300.TXT";
    std::ofstream(target) << std::string(100000, 'x');
    ResultSet detail = detail_rows({one()});
    ResultSet items = item_rows({one()});
    WriterOptions options{false, DateTime{2025, 3, 7}, target};
    EXPECT_EQ(print_date(detail, items, options), 1);
    const Report r = load_report(target);
    EXPECT_EQ(r.lines.size(), 49u);
}

TEST(WriterFile, NoRowsIsAnErrorAndWritesNothing) {
    TempDir dir;
    const auto target = dir.path() / "rep_5300.TXT";
    ResultSet detail = detail_rows({});
    ResultSet items = item_rows({});
    WriterOptions options{true, DateTime{2025, 3, 7}, target};
    EXPECT_THROW(print_date(detail, items, options), ReportError);
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(ReportPaths, BothSpellingsNameOneFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "RPT");
    std::ofstream(dir.path() / "RPT" / "rep_5300.TXT") << "x";
    EXPECT_EQ(report_path(dir.path().string()), dir.path() / "RPT" / "rep_5300.TXT");
    EXPECT_EQ(handed_over_path(dir.path().string()), dir.path() / "RPT" / "rep_5300.TXT");
    EXPECT_EQ(kReportFileName, "rep_5300.TXT");
    EXPECT_EQ(kHandOverFileName, "rep_5300.txt");
}

}  // namespace
}  // namespace zol::test
