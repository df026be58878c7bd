#include "core/big5.h"

#include <gtest/gtest.h>

#include <string>

#include "core/numbers.h"

namespace zol {
namespace {

// Each text's Big5 form, and its print columns: every character without a Big5 code is
// one "?" and one column, so that padding measured by display_width stays aligned.
TEST(Big5, FormsAndWidths) {
    const struct {
        const char* text;
        const char* big5;
        int width;
    } cases[] = {
        {"abc", "abc", 3},
        {"年級", "\xa6\x7e\xaf\xc5", 4},
        {"", "", 0},
        {"#轉帳", "#\xc2\xe0\xb1\x62", 5},
        {"網路ATM",
         "\xba\xf4\xb8\xf4"
         "ATM",
         7},
        {"a😀b", "a?b", 3},
        {"한", "?", 1},                          // Hangul has no Big5 code
        {"\xff", "?", 1},                        // invalid UTF-8
        {"\xe5\xad", "?", 1},                    // truncated sequence
        {"王\u200b明", "\xa4\xfd?\xa9\xfa", 5},  // a zero-width space is no exception
        {"𠮷Zoë", "?Zo?", 4},
        // Single-byte codes above ASCII count by their value as a 16-bit number.
        {"\u0080", "\x80", 1},
        {"\uf8f8", "\xff", 2},
        {"€", "\xa3\xe1", 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(to_big5(c.text), c.big5) << c.text;
        EXPECT_EQ(display_width(c.text), c.width) << c.text;
    }
    EXPECT_EQ(from_big5(to_big5("郵政轉帳\\臨櫃明細表 ABC 123")), "郵政轉帳\\臨櫃明細表 ABC 123");
    // A lead byte followed by a byte that cannot trail it, and a lone lead byte.
    EXPECT_EQ(from_big5("A\xa4 B"), "A\xef\xbf\xbd B");
    EXPECT_EQ(from_big5("\xa4"), "\xef\xbf\xbd");
}

TEST(Big5, WidthBeyondSixteenBitsOverflows) {
    EXPECT_EQ(display_width(std::string(32767, 'x')), 32767);
    EXPECT_THROW(display_width(std::string(32768, 'x')), OverflowError);
    std::string wide;
    for (int i = 0; i < 17000; ++i) wide += "中";
    EXPECT_THROW(display_width(wide), OverflowError);
}

TEST(Utf8, CodePointHelpers) {
    EXPECT_EQ(utf8_length("a😀b"), 3u);
    EXPECT_EQ(utf8_length("\xff\xfe"), 2u);
    EXPECT_EQ(utf8_left("王小明", 2), "王小");
    EXPECT_EQ(utf8_left("\xe7\x8e", 5), "\xe7\x8e");  // never cuts past the end
    EXPECT_EQ(utf8_mid("095/03/15", 5, 5) + "|" + utf8_mid("王小明", 3, 9) + "|" +
                  utf8_mid("王小明", 4, 1) + "|" + utf8_mid("王小明", 0, 1),
              "03/15|明||王");
}

}  // namespace
}  // namespace zol
