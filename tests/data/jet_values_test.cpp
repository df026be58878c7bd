// Jet's stored number and date forms as the in-memory copy holds them.
#include "data/jet/jet_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zol {
namespace {

TEST(JetCurrency, WholeAmountsStayIntegers) {
    EXPECT_EQ(jet_currency(35000000), JetNumber(std::int64_t{3500}));
    EXPECT_EQ(jet_currency(-120000), JetNumber(std::int64_t{-12}));
    // The largest currency value Jet stores is still exact.
    EXPECT_EQ(jet_currency(std::int64_t{922337203685470000}),
              JetNumber(std::int64_t{92233720368547}));
    // 0.1 + 0.2 style drift must not appear: 12.34 is 123400 units, read as the literal.
    EXPECT_EQ(jet_currency(123400), JetNumber(12.34));
    EXPECT_EQ(jet_currency(-1), JetNumber(-0.0001));
    // Dividing in binary would give 0.30000000000000004 for 3000 units / 10000 computed
    // as 0.1 * 3; the exact-decimal route gives the literal.
    EXPECT_EQ(jet_currency(3000), JetNumber(0.3));
    // The most negative amount must not overflow on the way.
    const auto min = jet_currency(std::numeric_limits<std::int64_t>::min());
    ASSERT_TRUE(std::holds_alternative<double>(min));
    EXPECT_DOUBLE_EQ(std::get<double>(min), -922337203685477.5808);
}

TEST(JetDecimal, ReadsLibmdbDecimalText) {
    EXPECT_EQ(jet_decimal("4"), JetNumber(std::int64_t{4}));
    EXPECT_EQ(jet_decimal("12.3400"), JetNumber(12.34));
    EXPECT_EQ(jet_decimal("7.000"), JetNumber(std::int64_t{7}));
    EXPECT_EQ(jet_decimal(".25"), JetNumber(0.25));
    // 28 digits do not fit an integer: the nearest double.
    const auto big = jet_decimal("1234567890123456789012345678");
    ASSERT_TRUE(big.has_value());
    ASSERT_TRUE(std::holds_alternative<double>(*big));
    EXPECT_DOUBLE_EQ(std::get<double>(*big), 1.234567890123456789e27);
    EXPECT_FALSE(jet_decimal("") || jet_decimal("1.2.3") || jet_decimal("12a") || jet_decimal("-"));
    // A sign, no whole part, a whole value too long for an integer.
    EXPECT_EQ(jet_decimal("+5"), JetNumber(std::int64_t{5}));
    EXPECT_EQ(jet_decimal("-.00"), JetNumber(std::int64_t{0}));
    EXPECT_EQ(jet_decimal("99999999999999999999.0"), JetNumber(1e20));
}

TEST(JetSingle, WidensToTheShortestDecimal) {
    EXPECT_EQ(jet_single(1.1f), 1.1);
    EXPECT_EQ(jet_single(444.555f), 444.555);
    EXPECT_EQ(jet_single(16777216.0f), 16777216.0);
    EXPECT_EQ(jet_single(-std::numeric_limits<float>::infinity()),
              -std::numeric_limits<double>::infinity());
}

TEST(JetDate, SerialsBecomeIsoText) {
    EXPECT_EQ(jet_date_text(0.0), "1899-12-30");
    EXPECT_EQ(jet_date_text(38751.0 + (22 * 3600 + 11 * 60 + 5) / 86400.0), "2006-02-03 22:11:05");
    EXPECT_EQ(jet_date_text(2958465.0), "9999-12-31");
    // Before 1899-12-30 the day counts down but the time still runs forward.
    EXPECT_EQ(jet_date_text(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(jet_date_text(-657434.0), "0100-01-01");
    // Rounded to the second, across midnight too.
    EXPECT_EQ(jet_date_text(38751.0 + 0.4999 / 86400), "2006-02-03");
    EXPECT_EQ(jet_date_text(38751.0 + 86399.7 / 86400), "2006-02-04");
    // Out of range or not a number: no date.
    EXPECT_FALSE(jet_date_text(2958466.0) || jet_date_text(-657436.0));
    // The day before 0100-01-01, and the last second of 9999 rounded into the next year.
    EXPECT_FALSE(jet_date_text(-657435.0) || jet_date_text(2958465.0 + 86399.7 / 86400));
    EXPECT_FALSE(jet_date_text(std::numeric_limits<double>::quiet_NaN()).has_value());
}

}  // namespace
}  // namespace zol
