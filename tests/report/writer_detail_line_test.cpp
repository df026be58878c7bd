// The student's detail line, column by column, as the report file holds it.
#include <gtest/gtest.h>

#include "core/big5.h"
#include "report/report_fixture.h"

namespace zol::test {
namespace {

Payment sample_student() {
    Payment p;
    p.stdid = "A001";
    p.seatno = 7;
    p.stdname = "王小明";
    p.fee = 15;
    p.preway = "2";
    p.payday = DateTime{2010, 12, 31};
    p.items = {{"學費", 1500}, {"書籍費", 300}};
    return p;
}

TEST(DetailLine, WithSerialNumberFollowsTheColumnMap) {
    Payment p = sample_student();
    p.flow_number = "42";
    const WrittenReport run = write_report({p}, false);
    const Report& r = run.report;
    const std::size_t d = first_detail(r);

    EXPECT_EQ(r.cols(d, 1, 4), "    ");
    EXPECT_EQ(r.cols(d, 5, 9), " 3   ");
    EXPECT_EQ(r.cols(d, 10, 14), "05   ");
    EXPECT_EQ(r.cols(d, 15, 17), "07 ");
    EXPECT_EQ(r.cols(d, 18, 32), " 王小明        ");
    EXPECT_EQ(r.cols(d, 33, 37), "00042");
    EXPECT_EQ(r.cols(d, 38, 47), "      臨櫃");
    EXPECT_EQ(r.cols(d, 48, 55), "      15");
    EXPECT_EQ(r.cols(d, 56, 65), "     1,500");
    EXPECT_EQ(r.cols(d, 66, 75), "       300");
    EXPECT_EQ(r.cols(d, 76, 87), "       1,815");
    EXPECT_EQ(r.cols(d, 88, 98), "  099/12/31");
    EXPECT_EQ(r.lines[d].size(), 98u);
}

TEST(DetailLine, WithoutSerialNumberWidensTheNameArea) {
    const WrittenReport run = write_report({sample_student()}, false);
    const Report& r = run.report;
    const std::size_t d = first_detail(r);

    EXPECT_EQ(r.cols(d, 18, 38), " 王小明" + std::string(14, ' '));
    EXPECT_EQ(r.cols(d, 39, 48), "      臨櫃");
    EXPECT_EQ(r.cols(d, 49, 56), "      15");
    EXPECT_EQ(r.cols(d, 57, 66), "     1,500");
    EXPECT_EQ(r.cols(d, 67, 76), "       300");
    EXPECT_EQ(r.cols(d, 77, 88), "       1,815");
    EXPECT_EQ(r.cols(d, 89, 99), "  099/12/31");
}

TEST(DetailLine, AbsentDebitDateLeavesTheColumnEmpty) {
    Payment p = sample_student();
    p.payday.reset();
    const WrittenReport run = write_report({p}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 77, 90), "       1,815  ");
    EXPECT_EQ(run.report.lines[d].size(), 90u);
}

TEST(DetailLine, DeletedStudentIsMarkedWithAStar) {
    Payment kept = sample_student();
    Payment deleted = sample_student();
    deleted.stdid = "A002";
    deleted.seatno = 8;
    deleted.delmark = -1;
    const WrittenReport run = write_report({kept, deleted}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 18, 24), " 王小明");
    EXPECT_EQ(run.report.cols(d + 1, 18, 24), "*王小明");
}

// Every payment method: label right-aligned in its ten columns, the fee, and the total.
TEST(DetailLine, PaymentMethodLabels) {
    struct Case {
        std::string preway;
        std::string acctid2;
        std::string label;  // columns 39..48
        std::string fee;    // columns 49..56
    };
    const std::vector<Case> cases = {
        {"1", "0012345", "     #轉帳", "      15"}, {"1", "", "      轉帳", "      15"},
        {"1", "   ", "      轉帳", "      15"},     {"2", "", "      臨櫃", "      15"},
        {"3", "", "      現金", "      15"},        {"4", "", "       ATM", "       0"},
        {"5", "", "   網路ATM", "      15"},        {"6", "", "      超商", "      15"},
        {"7", "", "          ", "      15"},        {" 2 ", "", "      臨櫃", "      15"},
    };
    std::vector<Payment> payments;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Payment p = sample_student();
        p.stdid = "B" + std::to_string(i);
        p.seatno = static_cast<long long>(i + 1);
        p.preway = cases[i].preway;
        p.acctid2 = cases[i].acctid2;
        payments.push_back(p);
    }
    const WrittenReport run = write_report(payments, false);
    const std::size_t d = first_detail(run.report);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("preway '" + cases[i].preway + "'");
        EXPECT_EQ(run.report.cols(d + i, 39, 48), cases[i].label);
        EXPECT_EQ(run.report.cols(d + i, 49, 56), cases[i].fee);
        // The total always holds the stored fee, also where the fee is shown as 0.
        EXPECT_EQ(run.report.cols(d + i, 77, 88), "       1,815");
    }
    // The page's fee sum counts the shown fees: nine of 15 and one 0.
    const auto totals = run.report.find_prefix("    筆數:10");
    ASSERT_TRUE(totals);
    EXPECT_EQ(run.report.cols(*totals, 46, 54), "      135");
    EXPECT_EQ(run.report.cols(*totals, 75, 86), "      18,150");
}

TEST(DetailLine, ZeroAndMissingAmountsPrintAsBlanks) {
    Payment a = sample_student();
    a.items = {{"學費", 1500}, {"書籍費", 0}};
    Payment b = sample_student();
    b.stdid = "A002";
    b.seatno = 8;
    b.items = {{"學費", 25}};  // no 書籍費 line at all
    const WrittenReport run = write_report({a, b}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 57, 66), "     1,500");
    EXPECT_EQ(run.report.cols(d, 67, 76), std::string(10, ' '));
    EXPECT_EQ(run.report.cols(d + 1, 57, 66), "        25");
    EXPECT_EQ(run.report.cols(d + 1, 67, 76), std::string(10, ' '));
    EXPECT_EQ(run.report.cols(d + 1, 77, 88), "          40");
}

TEST(DetailLine, TwoDigitGradesAndKindergartenLabels) {
    std::vector<Payment> payments;
    const std::vector<std::pair<long long, std::string>> grades = {
        {1, " 1   "},  {9, " 9   "},  {10, " 10  "}, {12, " 12  "},
        {13, "幼小 "}, {14, "幼中 "}, {15, "幼大 "}};
    for (const auto& [g, label] : grades) {
        Payment p = sample_student();
        p.grade = g;
        p.stdid = "G" + std::to_string(g);
        payments.push_back(p);
    }
    const WrittenReport run = write_report(payments, true);  // merged: all on one page
    std::size_t d = first_detail(run.report);
    for (const auto& [g, label] : grades) {
        SCOPED_TRACE(g);
        EXPECT_EQ(run.report.cols(d, 5, 9), label);
        EXPECT_EQ(run.report.cols(d, 10, 14), "05   ");
        d += 3;  // the line, then two empty lines between class groups
    }
}

// Grade codes outside 1..15 are shown like the numbered grades; the page header shows
// two blanks for their numeral.
TEST(DetailLine, GradeCodeOutsideTheTable) {
    Payment p = sample_student();
    p.grade = 16;
    Payment q = sample_student();
    q.grade = 0;
    q.stdid = "Z";
    const WrittenReport run = write_report({p, q}, false);
    const std::size_t d1 = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d1, 5, 9), " 16  ");
    const std::size_t d2 = first_detail(run.report, d1);
    EXPECT_EQ(run.report.cols(d2, 5, 9), " 0   ");
    EXPECT_EQ(run.report.text(5).substr(0, 10), "      (三");
}

TEST(DetailLine, ThreeItemLinesOfOneStudentGiveOneLine) {
    Payment p = sample_student();
    p.items = {{"學費", 1000}, {"書籍費", 200}, {"午餐費", 30}};
    const WrittenReport run = write_report({p}, false);
    const std::size_t d = first_detail(run.report);
    EXPECT_EQ(run.report.cols(d, 77, 86), "        30");
    EXPECT_EQ(run.report.cols(d, 87, 98), "       1,245");
    EXPECT_EQ(run.report.lines[d + 1], "");
}

}  // namespace
}  // namespace zol::test
