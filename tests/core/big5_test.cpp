#include "core/big5.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "core/numbers.h"

namespace zol {
namespace {

TEST(DisplayWidth, ExamplesOfTheReportLayout) {
    EXPECT_EQ(display_width("abc"), 3);
    EXPECT_EQ(display_width("學費"), 4);
    EXPECT_EQ(display_width(""), 0);
    EXPECT_EQ(display_width("年1"), 3);
    EXPECT_EQ(display_width(" 轉帳"), 5);
    EXPECT_EQ(display_width("#轉帳"), 5);
    EXPECT_EQ(display_width(" ATM"), 4);
    EXPECT_EQ(display_width("網路ATM"), 7);
    EXPECT_EQ(display_width("*王小明"), 7);
}

TEST(DisplayWidth, CharactersWithoutBig5CodeCountAsSubstitute) {
    EXPECT_EQ(display_width("😀"), 1);  // emoji: written as "?"
    EXPECT_EQ(display_width("a😀b"), 3);
    EXPECT_EQ(display_width("\xff"), 1);      // invalid UTF-8
    EXPECT_EQ(display_width("\xe5\xad"), 1);  // truncated sequence
}

TEST(DisplayWidth, SingleByteCodesCountByTheirValue) {
    // Code page 950 has single-byte codes above ASCII: U+0080 is byte 0x80 (128, not above
    // 128: one column) and U+F8F8 is byte 0xFF (255: two columns).
    ASSERT_EQ(to_big5("\u0080"), "\x80");
    ASSERT_EQ(to_big5("\uf8f8"), "\xff");
    EXPECT_EQ(display_width("\u0080"), 1);
    EXPECT_EQ(display_width("\uf8f8"), 2);
    EXPECT_EQ(display_width("\x7f"), 1);
    EXPECT_EQ(to_big5("€"), "\xa3\xe1");
    EXPECT_EQ(display_width("€"), 2);
}

TEST(DisplayWidth, TooWideForSixteenBits) {
    EXPECT_EQ(display_width(std::string(32767, 'x')), 32767);
    EXPECT_THROW(display_width(std::string(32768, 'x')), OverflowError);
    std::string wide;
    for (int i = 0; i < 17000; ++i) wide += "中";
    EXPECT_THROW(display_width(wide), OverflowError);
}

TEST(DisplayWidth, FastEnoughForTheWriter) {
    // The writer measures every cell; a line of Chinese must cost a few microseconds, not
    // a converter open. Compare with the plain UTF-8 length of the same texts.
    const std::string name = "*歐陽小明";
    const int rounds = 20000;
    long sum_width = 0;
    std::size_t sum_len = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) sum_len += utf8_length(name) + static_cast<std::size_t>(i % 2);
    const auto t1 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) sum_width += display_width(name);
    const auto t2 = std::chrono::steady_clock::now();
    EXPECT_EQ(sum_width, 9L * rounds);
    EXPECT_GT(sum_len, 0u);
    const double per_call_us = std::chrono::duration<double, std::micro>(t2 - t1).count() / rounds;
    EXPECT_LT(per_call_us, 50.0) << "display_width took " << per_call_us << " us per call";
    (void)t0;
}

TEST(Big5, RoundTrip) {
    const std::string text = "郵政轉帳\\臨櫃明細表 ABC 123";
    const std::string big5 = to_big5(text);
    EXPECT_EQ(big5.size(), 9u * 2 + 1 + 8);
    EXPECT_EQ(big5.substr(0, 2), "\xb6\x6c");  // 郵
    EXPECT_EQ(from_big5(big5), text);
    EXPECT_EQ(to_big5(""), "");
    EXPECT_EQ(from_big5(""), "");
    EXPECT_EQ(to_big5("年級"), "\xa6\x7e\xaf\xc5");
}

TEST(Big5, UnmappableBecomesQuestionMark) {
    EXPECT_EQ(to_big5("a😀b"), "a?b");
    EXPECT_EQ(to_big5("\xff"), "?");
    EXPECT_EQ(to_big5("한"), "?");  // Hangul has no Big5 code
}

TEST(Big5, InvalidBytesDecodeToReplacement) {
    // A lead byte followed by a byte that cannot trail it.
    EXPECT_EQ(from_big5("A\xa4 B"), "A\xef\xbf\xbd B");
    const std::string lone_lead = from_big5("\xa4");
    EXPECT_EQ(lone_lead, "\xef\xbf\xbd");
}

TEST(Utf8, CodePointHelpers) {
    EXPECT_EQ(utf8_length("王小明"), 3u);
    EXPECT_EQ(utf8_length(""), 0u);
    EXPECT_EQ(utf8_length("a😀b"), 3u);
    EXPECT_EQ(utf8_left("王小明", 2), "王小");
    EXPECT_EQ(utf8_left("王小明", 10), "王小明");
    EXPECT_EQ(utf8_left("王小明", 0), "");
    EXPECT_EQ(utf8_mid("095/03/15", 5, 5), "03/15");
    EXPECT_EQ(utf8_mid("王小明", 2, 1), "小");
    EXPECT_EQ(utf8_mid("王小明", 3, 9), "明");
    EXPECT_EQ(utf8_mid("王小明", 4, 1), "");
    EXPECT_EQ(utf8_mid("王小明", 0, 1), "王");
    EXPECT_EQ(utf8_length("\xff\xfe"), 2u);
    EXPECT_EQ(utf8_left("\xe7\x8e", 5), "\xe7\x8e");  // never cuts past the end
}

}  // namespace
}  // namespace zol
