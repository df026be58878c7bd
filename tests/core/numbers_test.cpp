#include "core/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <utility>

namespace zol {
namespace {

TEST(LeadingNumber, HostileInputsStaySafe) {
    EXPECT_TRUE(std::isinf(leading_number("-9e99999999999999999999999")));
    EXPECT_EQ(leading_number("1e-999999"), 0);
    EXPECT_EQ(leading_number(std::string(10000, '0') + "12"), 12);
    EXPECT_DOUBLE_EQ(leading_number("0." + std::string(300, '0') + "1e301"), 1.0);
    EXPECT_TRUE(std::isinf(leading_number(std::string(10000, '9'))));
    EXPECT_DOUBLE_EQ(leading_number("1" + std::string(400, '0') + "e-400"), 1.0);
    EXPECT_EQ(leading_number(std::string("\xff\xfe\x80 12", 6)), 0);
    EXPECT_EQ(leading_number(std::string("12\00034", 5)), 12);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    const std::pair<double, double> rows[] = {{1.5, 2},    {2.5, 2}, {-2.5, -2}, {2.5001, 3},
                                              {2.4999, 2}, {3.5, 4}, {-3.5, -4}, {-0.4, 0}};
    for (const auto& [v, want] : rows) EXPECT_EQ(round_half_even(v), want) << v;
    EXPECT_TRUE(std::isinf(round_half_even(HUGE_VAL)) && std::isnan(round_half_even(NAN)));
}

TEST(ToInt16, RoundsAndChecksTheRange) {
    EXPECT_THROW(to_int16(leading_number("1e999999")), OverflowError);
    try {
        to_int16(40000);
        FAIL() << "no overflow raised";
    } catch (const OverflowError& e) {
        const std::string msg = e.what();
        EXPECT_TRUE(msg.find("溢位") != msg.npos && msg.find("40000") != msg.npos) << msg;
    }
}

// Both sides of each integer range's ends, before and after rounding.
TEST(IntegerRanges, EachEndOnBothSides) {
    const struct {
        double v;
        bool fits16, fits32;
    } rows[] = {
        {32767.0, true, true},         {32768.0, false, true},       {-32768.0, true, true},
        {-32769.0, false, true},       {32767.49, true, true},       {-32768.51, false, true},
        {2147483647.0, false, true},   {2147483648.0, false, false}, {-2147483648.0, false, true},
        {-2147483649.0, false, false}, {2147483647.5, false, false}, {-2147483648.5, false, true},
        {32767.5, false, true},        {-32768.5, true, true},       {1.5, true, true},
        {NAN, false, false},
    };
    for (const auto& r : rows) {
        if (r.fits16) {
            EXPECT_EQ(to_int16(r.v), static_cast<std::int16_t>(round_half_even(r.v))) << r.v;
        } else {
            EXPECT_THROW(to_int16(r.v), OverflowError) << r.v;
        }
        if (r.fits32) {
            EXPECT_EQ(to_int32(r.v), static_cast<std::int32_t>(round_half_even(r.v))) << r.v;
        } else {
            EXPECT_THROW(to_int32(r.v), OverflowError) << r.v;
        }
    }
}

// The number at the start of a text; an incomplete exponent is not read, no number is 0.
TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    using Row = std::pair<const char*, double>;
    const Row wide[] = {
        {"12.5x", 12.5}, {"  \t42 7", 42},     {"0.000123", 0.000123}, {"___/__/__", 0},
        {"-1E+2", -100}, {"1e0400", HUGE_VAL}, {"0.9999", 0.9999},
    };
    for (const auto& [text, v] : wide) EXPECT_DOUBLE_EQ(leading_number(text), v) << text;
    const Row rows[] = {
        {"3A", 3},      {"1e2", 100},   {"-2.5", -2.5}, {"+7", 7},     {"2E+3", 2000}, {".5", 0.5},
        {"", 0},        {"abc", 0},     {"-", 0},       {"+.e5", 0},   {"&H10", 0},    {"7e", 7},
        {"10_", 10},    {"-0", 0},      {"--5", 0},     {"+-5", 0},    {"- 5", 0},     {"-5-", -5},
        {"1e-2", 0.01}, {"1e+", 1},     {"1e-x", 1},    {"2.5e1", 25}, {"0009", 9},    {"9.", 9},
        {"-.5e1", -5},  {"1e-0400", 0}, {"\t-7", -7},   {"\n7", 0},    {"/7", 0},      {":7", 0},
    };
    for (const auto& [text, v] : rows) EXPECT_DOUBLE_EQ(leading_number(text), v) << text;
    EXPECT_TRUE(std::signbit(leading_number("-0")));
    EXPECT_EQ(leading_number(std::string(309, '9')), HUGE_VAL);
    EXPECT_DOUBLE_EQ(leading_number(std::string(308, '9')), 1e308);
}

TEST(NumberText, ShortestDecimalForm) {
    const std::pair<double, const char*> rows[] = {
        {5, "5"},           {5.5, "5.5"},           {-0.0, "0"},
        {0.1 + 0.2, "0.3"}, {1e15, "1E+15"},        {-1e15, "-1E+15"},
        {NAN, "NaN"},       {HUGE_VAL, "Infinity"}, {-HUGE_VAL, "-Infinity"},
    };
    EXPECT_EQ(number_text(999999999999999.0), "999999999999999");
    for (const auto& [v, text] : rows) EXPECT_EQ(number_text(v), text) << v;
}

TEST(FormatThousands, GroupsWholeNumbers) {
    EXPECT_EQ(format_thousands(1500) + format_thousands(0), "1,500");
    const struct {
        double v;
        const char* text;
    } groups[] = {{999, "999"},      {1000, "1,000"},     {-999, "-999"},
                  {-1000, "-1,000"}, {999999, "999,999"}, {1e6, "1,000,000"},
                  {-0.5, ""},        {-1.5, "-2"},        {12345678, "12,345,678"}};
    for (const auto& g : groups) EXPECT_EQ(format_thousands(g.v), g.text) << g.v;
    EXPECT_EQ(format_thousands(1499.5) + format_thousands(0.4) + format_thousands(NAN), "1,500");
    const std::pair<std::string_view, const char*> texts[] = {
        {"1500", "1,500"}, {"0", ""}, {"-42000", "-42,000"}, {"abc", ""}, {"1e999999", ""},
    };
    for (const auto& [text, want] : texts) EXPECT_EQ(format_thousands(text), want) << text;
}

TEST(ZeroPad, PadsToWidth) {
    const std::tuple<long long, int, const char*> numbers[] = {
        {5, 2, "05"},  {123456, 5, "123456"}, {0, 2, "00"}, {-5, 3, "-005"},
        {12, 2, "12"}, {7, 0, "7"},           {7, -2, "7"}};
    EXPECT_EQ(zero_pad(std::numeric_limits<long long>::min(), 2), "-9223372036854775808");
    for (const auto& [v, width, want] : numbers) EXPECT_EQ(zero_pad(v, width), want) << v;
    const std::string long_serial(40, '7');  // beyond any integer type
    const std::tuple<std::string, int, std::string> texts[] = {
        {"0", 1, "0"},          {"000", 0, "0"},     {"", 3, ""},
        {"12", 2, "12"},        {"9/", 3, "9/"},     {"42", 5, "00042"},
        {"000042", 5, "00042"}, {"A123", 5, "A123"},
    };
    EXPECT_EQ(zero_pad(std::string_view(long_serial), 5), long_serial);
    for (const auto& [v, width, want] : texts)
        EXPECT_EQ(zero_pad(std::string_view(v), width), want) << v;
}

}  // namespace
}  // namespace zol
