// Pages: headers, control lines, page closings, totals lines and the page count.
#include <gtest/gtest.h>

#include "core/big5.h"
#include "report/report_fixture.h"

namespace zol::test {
namespace {

const std::string kFF =
    "\x0c"
    "21";
const std::string kRule155 = "    " + std::string(155, '_');
const std::string kRule159 = "    " + std::string(159, '_');

std::size_t count_lines(const Report& r, const std::string& big5) {
    std::size_t n = 0;
    for (const auto& l : r.lines) n += l == big5;
    return n;
}

void expect_empty(const Report& r, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i <= to; ++i) EXPECT_EQ(r.lines.at(i), "") << "line " << i;
}

TEST(Pages, OneStudentPerClassPageLineByLine) {
    const WrittenReport run = write_report(students(1, 3, 5), false);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 49u);
    EXPECT_EQ(r.lines[0],
              "\x1c"
              "31100");
    EXPECT_EQ(r.lines[1], "\x1cW7");
    EXPECT_EQ(r.lines[2], "\x1cW9");
    EXPECT_EQ(r.text(3), std::string(38, ' ') + "郵政轉帳\\臨櫃明細表");
    EXPECT_EQ(r.lines[4], "\x1cW4");
    EXPECT_EQ(r.text(5), "    三(三年級) 年 05(忠班) 班 " + std::string(12, ' ') +
                             "收款日期: 114/03/07     繳費群組： 上學期學雜費");
    EXPECT_EQ(r.lines[6], "\x1cW2");
    EXPECT_EQ(r.lines[7],
              "\x1c"
              "31150");
    EXPECT_EQ(r.lines[8], "\x1cW0");
    EXPECT_EQ(r.text(9), "    Zol5300  " + std::string(120, ' ') + "日期: 114年03月07日");
    EXPECT_EQ(r.text(10),
              "    年   班 座號  學生姓名  電腦流水號  繳款方式  手續費      學費  "
              "收款總金額  實扣日期");
    EXPECT_EQ(r.text(11), std::string(66, ' '));
    EXPECT_EQ(r.lines[12], kRule155);
    EXPECT_EQ(r.text(13), "     3   05   01  學生1" + std::string(15, ' ') + "      臨櫃" +
                              "      15" + "     1,000" + "       1,015" + "  ");
    expect_empty(r, 14, 44);  // 29 to fill the page, one more, and one before the rule
    EXPECT_EQ(r.lines[45], kRule159);
    EXPECT_EQ(r.text(46), "    筆數:1" + std::string(30, ' ') + "加總:" + "       15" +
                              "     1,000" + "       1,015");
    EXPECT_EQ(r.text(47), "    班總筆數:1" + std::string(24, ' ') + "班加總:" + "       15" +
                              "     1,000" + "       1,015");
    EXPECT_EQ(r.lines[48], kFF);
    EXPECT_EQ(run.pages, 1);
}

TEST(Pages, TotalsLinesColumns) {
    auto ps = students(2, 3, 5, "學費", 1250);
    const WrittenReport run = write_report(ps, false);
    const Report& r = run.report;
    const auto page = r.find_prefix("    筆數:");
    ASSERT_TRUE(page);
    EXPECT_EQ(r.cols(*page, 5, 9), "筆數:");
    EXPECT_EQ(r.cols(*page, 10, 40), "2" + std::string(30, ' '));
    EXPECT_EQ(r.cols(*page, 41, 45), "加總:");
    EXPECT_EQ(r.cols(*page, 46, 54), "       30");
    EXPECT_EQ(r.cols(*page, 55, 64), "     2,500");
    EXPECT_EQ(r.cols(*page, 65, 76), "       2,530");
    const std::size_t cls = *page + 1;
    EXPECT_EQ(r.cols(cls, 5, 13), "班總筆數:");
    EXPECT_EQ(r.cols(cls, 14, 38), "2" + std::string(24, ' '));
    EXPECT_EQ(r.cols(cls, 39, 45), "班加總:");
    EXPECT_EQ(r.cols(cls, 46, 54), "       30");
    EXPECT_EQ(r.cols(cls, 55, 76), "     2,500       2,530");

    const WrittenReport merged = write_report(ps, true);
    const auto all = merged.report.find_prefix("    全部筆數:");
    ASSERT_TRUE(all);
    EXPECT_EQ(merged.report.cols(*all, 5, 38), "全部筆數:2" + std::string(24, ' '));
    EXPECT_EQ(merged.report.cols(*all, 39, 76), "全加總:       30     2,500       2,530");
}

TEST(Pages, ZeroPageSumOfAnItemColumnPrintsAsBlanks) {
    auto ps = students(2, 3, 5);
    for (auto& p : ps) p.items.push_back({"書籍費", 0});
    const WrittenReport run = write_report(ps, false);
    const auto page = run.report.find_prefix("    筆數:2");
    ASSERT_TRUE(page);
    EXPECT_EQ(run.report.cols(*page, 55, 74), "     2,000          ");
    EXPECT_EQ(run.report.cols(*page, 75, 86), "       2,030");
}

TEST(Pages, ThirtyStudentsFillOnePagePerClass) {
    const WrittenReport run = write_report(students(30, 3, 5), false);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 49u);
    EXPECT_TRUE(r.text(42).starts_with("     3   05   30 ")) << r.text(42);
    expect_empty(r, 43, 44);
    EXPECT_EQ(r.lines[45], kRule159);
    EXPECT_TRUE(r.text(46).starts_with("    筆數:30 ")) << r.text(46);
    EXPECT_TRUE(r.text(47).starts_with("    班總筆數:30 ")) << r.text(47);
    EXPECT_EQ(r.lines[48], kFF);
    EXPECT_EQ(run.pages, 1);
}

TEST(Pages, ThirtyFirstStudentStartsASecondPagePerClass) {
    const WrittenReport run = write_report(students(31, 3, 5), false);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 96u);
    EXPECT_EQ(r.lines[43], "");
    EXPECT_EQ(r.lines[44], kRule159);
    EXPECT_TRUE(r.text(45).starts_with("    筆數:30 ")) << r.text(45);
    EXPECT_EQ(r.lines[46], kFF);
    // The second page's header repeats the class text.
    EXPECT_EQ(r.lines[47],
              "\x1c"
              "31100");
    EXPECT_TRUE(r.text(52).starts_with("    三(三年級) 年 05(忠班) 班 ")) << r.text(52);
    EXPECT_EQ(r.lines[59], kRule155);
    EXPECT_TRUE(r.text(60).starts_with("     3   05   31 ")) << r.text(60);
    expect_empty(r, 61, 91);
    EXPECT_EQ(r.lines[92], kRule159);
    EXPECT_TRUE(r.text(93).starts_with("    筆數:1 ")) << r.text(93);
    EXPECT_TRUE(r.text(94).starts_with("    班總筆數:31 ")) << r.text(94);
    EXPECT_EQ(r.lines[95], kFF);
    EXPECT_EQ(run.pages, 2);
}

TEST(Pages, ThirtyStudentsFillOnePageMerged) {
    const WrittenReport run = write_report(students(30, 3, 5), true);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 48u);
    // Merged pages show no class text.
    EXPECT_EQ(r.text(5), std::string(42, ' ') + "收款日期: 114/03/07     繳費群組： 上學期學雜費");
    expect_empty(r, 43, 44);
    EXPECT_EQ(r.lines[45], kRule159);
    EXPECT_TRUE(r.text(46).starts_with("    全部筆數:30 ")) << r.text(46);
    EXPECT_EQ(r.lines[47], kFF);
    EXPECT_EQ(run.pages, 1);
}

TEST(Pages, ThirtyFirstStudentStartsASecondPageMerged) {
    const WrittenReport run = write_report(students(31, 3, 5), true);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 94u);
    EXPECT_EQ(r.lines[43], "");
    EXPECT_EQ(r.lines[44], kRule159);
    EXPECT_EQ(r.lines[45], kFF);  // no page totals in merged mode
    EXPECT_EQ(r.lines[58], kRule155);
    EXPECT_TRUE(r.text(59).starts_with("     3   05   31 ")) << r.text(59);
    expect_empty(r, 60, 90);
    EXPECT_EQ(r.lines[91], kRule159);
    EXPECT_TRUE(r.text(92).starts_with("    全部筆數:31 ")) << r.text(92);
    EXPECT_EQ(r.lines[93], kFF);
    EXPECT_EQ(run.pages, 2);
    EXPECT_FALSE(r.find_prefix("    筆數:"));
}

TEST(Pages, MergedModeOverThreeClasses) {
    std::vector<Payment> ps;
    for (int c = 1; c <= 3; ++c) {
        auto more = students(2, 3, c, "學費", 1000 * c);
        ps.insert(ps.end(), more.begin(), more.end());
    }
    const WrittenReport run = write_report(ps, true);
    const Report& r = run.report;
    ASSERT_EQ(r.lines.size(), 50u);
    EXPECT_EQ(count_lines(r,
                          "\x1c"
                          "31100"),
              1u);
    EXPECT_TRUE(r.text(13).starts_with("     3   01   ")) << r.text(13);
    EXPECT_TRUE(r.text(14).starts_with("     3   01   ")) << r.text(14);
    expect_empty(r, 15, 16);
    EXPECT_TRUE(r.text(17).starts_with("     3   02   ")) << r.text(17);
    EXPECT_TRUE(r.text(18).starts_with("     3   02   ")) << r.text(18);
    expect_empty(r, 19, 20);
    EXPECT_TRUE(r.text(21).starts_with("     3   03   ")) << r.text(21);
    EXPECT_TRUE(r.text(22).starts_with("     3   03   ")) << r.text(22);
    expect_empty(r, 23, 46);  // one, 22 to fill the page, one before the rule
    EXPECT_EQ(r.lines[47], kRule159);
    EXPECT_EQ(r.text(48), "    全部筆數:6" + std::string(24, ' ') + "全加總:" + "       90" +
                              "    12,000" + "      12,090");
    EXPECT_EQ(r.lines[49], kFF);
    EXPECT_FALSE(r.find_prefix("    筆數:"));
    EXPECT_FALSE(r.find_prefix("    班總筆數:"));
    EXPECT_EQ(run.pages, 1);
}

TEST(Pages, PerClassModeWithTwoClasses) {
    auto ps = students(2, 3, 5);
    auto more = students(3, 3, 6, "學費", 500);
    ps.insert(ps.end(), more.begin(), more.end());
    const WrittenReport run = write_report(ps, false);
    const Report& r = run.report;
    EXPECT_EQ(run.pages, 2);
    EXPECT_EQ(count_lines(r,
                          "\x1c"
                          "31100"),
              2u);
    const auto first_class = r.find_prefix("    三(三年級) 年 05(忠班) 班 ");
    const auto second_class = r.find_prefix("    三(三年級) 年 06(忠班) 班 ");
    ASSERT_TRUE(first_class && second_class);
    EXPECT_LT(*first_class, *second_class);
    const auto totals1 = r.find_prefix("    班總筆數:2 ");
    const auto totals2 = r.find_prefix("    班總筆數:3 ");
    ASSERT_TRUE(totals1 && totals2);
    EXPECT_LT(*totals1, *second_class);
    EXPECT_GT(*totals2, *second_class);
    EXPECT_EQ(r.cols(*totals1, 46, 76), "       30     2,000       2,030");
    // The second class's sums start from zero.
    EXPECT_EQ(r.cols(*totals2, 46, 76), "       45     1,500       1,545");
    EXPECT_EQ(r.cols(*totals2 - 1, 46, 76), "       45     1,500       1,545");
}

TEST(Pages, NineItemColumnsGiveFifteenStudentsAPage) {
    std::vector<Payment> ps = students(16, 3, 5);
    for (auto& p : ps) {
        p.items.clear();
        for (int k = 1; k <= 9; ++k) p.items.push_back({"項目" + std::to_string(k), 10});
    }
    const WrittenReport run = write_report(ps, false);
    const Report& r = run.report;
    EXPECT_EQ(run.pages, 2);
    const std::size_t d = first_detail(r);
    EXPECT_EQ(d, 15u);  // four column header lines
    // 15 students of two lines fill the 30 counted lines.
    EXPECT_EQ(r.text(d + 29), std::string(54, ' ') + "        10");
    EXPECT_EQ(r.lines[d + 30], "");
    EXPECT_EQ(r.lines[d + 31], kRule159);
    EXPECT_TRUE(r.text(d + 32).starts_with("    筆數:15 ")) << r.text(d + 32);
    EXPECT_EQ(r.text(d + 33), std::string(54, ' ') + "       150");
    EXPECT_EQ(r.lines[d + 34], kFF);
    const auto cls = r.find_prefix("    班總筆數:16 ");
    ASSERT_TRUE(cls);
    EXPECT_EQ(r.text(*cls + 1), std::string(54, ' ') + "       160");
    EXPECT_EQ(r.lines[*cls + 2], kFF);
}

}  // namespace
}  // namespace zol::test
