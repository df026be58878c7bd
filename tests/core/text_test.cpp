#include "core/text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/errno_text.h"
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
    // A text that fits is right-aligned; one that fills its column keeps a blank before it.
    std::string line = "x";
    for (const char* amount : {"1,500", "12,542,400", "123,456,789,012"})
        append_right(line, amount, 10);
    append_right(line, "7", 1);
    EXPECT_EQ(line, "x     1,500 12,542,400 123,456,789,012 7");
    line = std::string(" ");
    append_right(line, "12345", 3);
    EXPECT_EQ(line, " 12345");
}

// No system error reaches the clerk in the C library's English.
TEST(Text, EverySystemErrorInChinese) {
    for (int err = 1; err < 134; ++err) {
        const std::string why = errno_text(err);
        EXPECT_NE(why.find_first_of("\xe4\xe5\xe6\xe7\xe8\xe9"), std::string::npos) << err;
        EXPECT_EQ(why.find(std::strerror(err)), std::string::npos) << why;
    }
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
