#include "core/text.h"

#include <gtest/gtest.h>

#include "core/grade.h"
#include "core/numbers.h"

namespace zol {
namespace {

TEST(Text, TrimBlanksAndCase) {
    EXPECT_EQ(trim("  轉帳 "), "轉帳");
    EXPECT_EQ(trim("   "), "");
    EXPECT_EQ(trim("\tx\t"), "\tx\t");
    EXPECT_EQ(trim(" a b "), "a b");
    EXPECT_EQ(blanks(3), "   ");
    EXPECT_EQ(blanks(-4), "");
    EXPECT_TRUE(iequals("ZOL7_Student", "zol7_STUDENT"));
    EXPECT_FALSE(iequals("rpt", "rpts"));
    EXPECT_TRUE(iequals("年級", "年級"));
    EXPECT_EQ(to_lower_ascii("Rep_5300.TXT 年"), "rep_5300.txt 年");
}

TEST(GradeCode, KindergartenTextsExactlyOthersByNumber) {
    EXPECT_EQ(grade_code("幼小"), 13);
    EXPECT_EQ(grade_code("幼中"), 14);
    EXPECT_EQ(grade_code("幼大"), 15);
    EXPECT_EQ(grade_code(" 幼中"), 0);  // no trimming: not the kindergarten text
    // Other texts by their leading number, rounded.
    EXPECT_EQ(grade_code("3"), 3);
    EXPECT_EQ(grade_code(" 7"), 7);
    EXPECT_EQ(grade_code("3A"), 3);
    EXPECT_EQ(grade_code(""), 0);
    EXPECT_EQ(grade_code("2.5"), 2);
    EXPECT_EQ(grade_code("3.5"), 4);
    EXPECT_EQ(grade_code("-1"), -1);
    EXPECT_THROW(grade_code("99999"), OverflowError);
    EXPECT_THROW(grade_code("1e999999"), OverflowError);
}

}  // namespace
}  // namespace zol
