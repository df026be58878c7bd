#include "core/text.h"

#include <gtest/gtest.h>

#include "core/grade.h"
#include "core/numbers.h"

namespace zol {
namespace {

TEST(Text, TrimBlanksAndCase) {
    // Only blanks are trimmed, not tabs.
    EXPECT_EQ(trim("  轉帳 ") + "|" + trim("   ") + "|" + trim("\tx\t") + "|" + trim(" a b "),
              "轉帳||\tx\t|a b");
    EXPECT_EQ(blanks(3) + blanks(-4), "   ");
    EXPECT_TRUE(iequals("ZOL7_Student", "zol7_STUDENT") && iequals("年級", "年級"));
    EXPECT_FALSE(iequals("rpt", "rpts"));
    EXPECT_EQ(to_lower_ascii("Rep_5300.TXT 年"), "rep_5300.txt 年");
}

TEST(GradeCode, KindergartenTextsExactlyOthersByNumber) {
    // No trimming for the kindergarten texts; others by their leading number, rounded.
    const std::pair<const char*, int> codes[] = {
        {"幼小", 13}, {"幼中", 14}, {"幼大", 15}, {" 幼中", 0}, {"3", 3},   {" 7", 7},
        {"3A", 3},    {"", 0},      {"2.5", 2},   {"3.5", 4},   {"-1", -1},
    };
    for (const auto& [text, code] : codes) EXPECT_EQ(grade_code(text), code) << text;
    EXPECT_THROW(grade_code("99999"), OverflowError);
    EXPECT_THROW(grade_code("1e999999"), OverflowError);
}

}  // namespace
}  // namespace zol
