#include "core/big5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/numbers.h"
#include "core/text.h"

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

// Malformed UTF-8 among ASCII ("." below is one "?"): each maximal malformed part is one
// character to every function, one "?" in Big5 and one print column, so a cut never splits
// it and padding to a width gives that many Big5 bytes.
TEST(Big5, MalformedSequencesAgreeEverywhere) {
    const struct {
        const char* text;
        const char* shape;
    } cases[] = {
        {"a\xc3", "a."},                                  // 2-byte form cut short at the end
        {"\xc3\x41", ".A"},                               // ... before a byte that cannot trail
        {"\xe4\xb8", "."},                                // 3-byte form cut short
        {"\xe4\xb8\x41\xe4", ".A."},                      // ... before ASCII, and a lone lead
        {"\xf0\x9f", "."},                                // 4-byte form cut after two bytes
        {"\xf0\x9f\x98", "."},                            // ... after three
        {"\xf0\x9f\x41\xf0\x9f\x98\x41", ".A.A"},         // ... before ASCII
        {"\xc0\xaf\xc1\xbf", "...."},                     // overlong 2-byte forms
        {"\xe0\x80\xaf", "..."},                          // overlong 3-byte form
        {"\xf0\x80\x80\xaf", "...."},                     // overlong 4-byte form
        {"\xed\xa0\x80\xed\xbf\xbf", "......"},           // surrogates
        {"\x80\xbf", ".."},                               // lone continuation bytes
        {"\xf4\x90\x80\x80", "...."},                     // above U+10FFFF
        {"\xf5\x80\x80\x80\xff", "....."},                // bytes that lead nothing
        {"\xf4\x8f\xbf\xbf\xef\xbf\xbf", ".."},           // the last code point, a noncharacter
        {"\xdf\xbf\xe0\xa0\x80\xf0\x90\x80\x80", "..."},  // smallest/largest of each length
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        std::string big5 = c.shape;
        std::replace(big5.begin(), big5.end(), '.', '?');
        EXPECT_EQ(to_big5(text), big5) << testing::PrintToString(text);
        EXPECT_EQ(display_width(text), static_cast<int>(big5.size()));
        ASSERT_EQ(utf8_length(text), big5.size()) << testing::PrintToString(text);
        std::string joined;
        for (std::size_t k = 1; k <= big5.size(); ++k) {
            const std::string one = utf8_mid(text, k, 1);
            EXPECT_EQ(to_big5(one), big5.substr(k - 1, 1)) << testing::PrintToString(text) << k;
            EXPECT_EQ(utf8_mid(text, k, 9), text.substr(joined.size()));
            joined += one;
        }
        EXPECT_EQ(joined, text);
        EXPECT_EQ(to_big5(text + blanks(12 - display_width(text))).size(), 12u);
    }
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
