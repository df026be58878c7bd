// Item columns: where they come from, their limits, their header cells and the second
// line that more than eight of them need.
#include <gtest/gtest.h>

#include "core/big5.h"
#include "report/page_layout.h"
#include "report/report_fixture.h"
#include "report/report_output.h"

namespace zol::test {
namespace {

std::string name_of(int k) {
    return "項目" + std::to_string(k);
}

// Nine items from the item list, then two more that only the payment rows carry.
TEST(ItemColumns, TenthColumnFromPaymentRowsIsShownEleventhIsLeftOut) {
    Payment p;
    p.stdid = "A1";
    for (int k = 1; k <= 9; ++k) p.items.push_back({name_of(k), k * 100.0});
    Payment listed = p;
    p.items.push_back({"雜費", 1000});
    p.items.push_back({"其他", 5000});
    std::vector<std::string> names;
    for (int k = 1; k <= 9; ++k) names.push_back(name_of(k));

    const WrittenReport run = write_report({p}, false, item_rows_for({{listed, names}}));
    const Report& r = run.report;
    const std::size_t d = first_detail(r);
    // Header: columns 9 and 10 on the third and fourth header lines.
    EXPECT_EQ(r.cols(d - 3, 1, 76), std::string(56, ' ') + "   項目9  " + "    雜費  ");
    EXPECT_EQ(r.text(d - 2), std::string(74, ' '));
    // First line: items 1..8, then the total, which leaves out the eleventh item.
    EXPECT_EQ(r.cols(d, 57, 66), "       100");
    EXPECT_EQ(r.cols(d, 127, 136), "       800");
    EXPECT_EQ(r.cols(d, 137, 148), "       5,515");
    // Second line: 50 blanks after the indent, then items 9 and 10.
    EXPECT_EQ(r.text(d + 1), std::string(54, ' ') + "       900" + "     1,000");
    EXPECT_EQ(r.bytes.find(to_big5("其他")), std::string::npos);
    // Totals: the second line carries the sums of columns 9 and 10.
    const auto page_totals = r.find_prefix("    筆數:1");
    ASSERT_TRUE(page_totals);
    EXPECT_EQ(r.text(*page_totals + 1), std::string(54, ' ') + "       900" + "     1,000");
    EXPECT_EQ(r.cols(*page_totals, 125, 134), "       800");
    EXPECT_EQ(r.cols(*page_totals, 135, 146), "       5,515");
}

TEST(ItemColumns, ItemListOpensUpToFifteenColumns) {
    Payment p;
    p.stdid = "A1";
    std::vector<std::string> names;
    for (int k = 1; k <= 16; ++k) {
        names.push_back(name_of(k));
        p.items.push_back({name_of(k), 10.0});
    }
    const WrittenReport run = write_report({p}, false, item_rows_for({{p, names}}));
    const std::size_t d = first_detail(run.report);
    // Columns 9..15 on the second line; the sixteenth is left out of line and total.
    std::string second(54, ' ');
    for (int k = 9; k <= 15; ++k) second += "        10";
    EXPECT_EQ(run.report.text(d + 1), second);
    EXPECT_EQ(run.report.cols(d, 137, 148), "         165");
    EXPECT_EQ(run.report.bytes.find(to_big5(name_of(16))), std::string::npos);
}

TEST(ItemColumns, HeaderCellsForShortAndLongNames) {
    Payment p;
    p.stdid = "A1";
    p.items = {{"學費", 1},
               {"代收代辦費用", 1},
               {"abcdefgh", 1},
               {"家長會費補助款項目", 1},
               {"abcdefghi", 1}};
    const WrittenReport run = write_report({p}, false);
    const Report& r = run.report;
    const std::size_t h1 = first_detail(r) - 3;
    ASSERT_EQ(r.cols(h1, 5, 58), "年   班 座號  學生姓名  電腦流水號  繳款方式  手續費  ");
    EXPECT_EQ(r.cols(h1, 59, 68), "    學費  ");
    EXPECT_EQ(r.cols(h1, 69, 78), "代收代辦  ");
    EXPECT_EQ(r.cols(h1, 79, 88), "abcd      ");
    EXPECT_EQ(r.cols(h1, 89, 98), "家長會費  ");
    EXPECT_EQ(r.cols(h1, 99, 108), "abcd      ");
    EXPECT_EQ(r.cols(h1, 109, 128), "收款總金額  實扣日期");
    const std::size_t h2 = h1 + 1;
    EXPECT_EQ(r.cols(h2, 1, 56), std::string(56, ' '));
    EXPECT_EQ(r.cols(h2, 57, 66), std::string(10, ' '));
    EXPECT_EQ(r.cols(h2, 67, 76), "  費用    ");
    EXPECT_EQ(r.cols(h2, 77, 86), std::string(10, ' '));
    EXPECT_EQ(r.cols(h2, 87, 96), "  補助款  ");
    EXPECT_EQ(r.cols(h2, 97, 106), "  efg     ");
    EXPECT_EQ(r.lines[h2].size(), 106u);
}

// A page header written with no item column in use.
TEST(ItemColumns, NoItemColumnHeaderGoesStraightToTheTotalCaption) {
    TempDir dir;
    WriterState s;
    s.print_date = "114年03月07日";
    s.header_date = "114/03/07";
    s.group_name = "群組";
    s.row_table.assign(2, {});
    s.row_table[1][kGradeCode] = "3";
    s.row_table[1][kClass] = "05";
    s.row_names.assign(2, {});
    s.item_table.assign(1, {});
    {
        ReportOutput out(dir.path() / "h.txt");
        write_page_header(out, s, 1);
        out.commit();
    }
    const Report r = load_report(dir.path() / "h.txt");
    ASSERT_EQ(r.lines.size(), 13u);
    EXPECT_EQ(r.text(10),
              "    年   班 座號  學生姓名  電腦流水號  繳款方式  手續費  收款總金額  實扣日期");
    EXPECT_EQ(r.text(11), std::string(56, ' '));
    EXPECT_EQ(r.text(5), "    三 年 05 班 " + std::string(26, ' ') +
                             "收款日期: 114/03/07     繳費群組： 群組");
}

TEST(ItemColumns, PerClassModeUsesOnlyTheGroupsOwnColumns) {
    Payment a;
    a.stdid = "A1";
    a.clsid = 1;
    a.items = {{"學費", 1000}, {"書籍費", 200}};
    Payment b;
    b.stdid = "B1";
    b.clsid = 2;
    b.items = {{"午餐費", 30}, {"學費", 900}};
    const WrittenReport run = write_report({a, b}, false);
    const Report& r = run.report;
    const std::size_t d1 = first_detail(r);
    EXPECT_EQ(r.cols(d1 - 3, 59, 78), "    學費    書籍費  ");
    const std::size_t d2 = first_detail(r, d1);
    EXPECT_EQ(r.cols(d2 - 3, 59, 78), "  午餐費      學費  ");
    EXPECT_EQ(r.cols(d2, 57, 76), "        30       900");
    EXPECT_EQ(run.pages, 2);
}

// Merged mode: columns run on in order of first appearance; a student's cells hold only
// that student's own amounts, also where an earlier group's student had the same row.
TEST(ItemColumns, MergedModeRunsColumnsOnAndStartsEachRowEmpty) {
    Payment a;
    a.stdid = "A1";
    a.clsid = 1;
    a.items = {{"學費", 1000}, {"書籍費", 200}};
    Payment b;
    b.stdid = "B1";
    b.clsid = 2;
    b.items = {{"午餐費", 30}, {"學費", 900}};
    const WrittenReport run = write_report({a, b}, true);
    const Report& r = run.report;
    const std::size_t d = first_detail(r);
    // The first page's header is written with the first student, when only the first
    // group's columns are known.
    EXPECT_EQ(r.cols(d - 3, 59, 88), "    學費    書籍費  收款總金額");
    EXPECT_EQ(r.cols(d, 57, 76), "     1,000       200");
    EXPECT_EQ(r.cols(d, 77, 88), "       1,215");
    EXPECT_EQ(r.cols(d + 3, 57, 86), "       900" + std::string(10, ' ') + "        30");
    EXPECT_EQ(r.cols(d + 3, 87, 98), "         945");
    const auto totals = r.find_prefix("    全部筆數:2");
    ASSERT_TRUE(totals);
    EXPECT_EQ(r.cols(*totals, 46, 54), "       30");
    EXPECT_EQ(r.cols(*totals, 55, 84), "     1,900       200        30");
    EXPECT_EQ(r.cols(*totals, 85, 96), "       2,160");
    EXPECT_EQ(run.pages, 1);
}

}  // namespace
}  // namespace zol::test
