#include "core/date.h"

#include <gtest/gtest.h>

namespace zol {
namespace {

DateTime ymd(int y, int m, int d) {
    return DateTime{y, m, d};
}

TEST(Date, RocForms) {
    EXPECT_EQ(roc_padded(ymd(2006, 3, 15)), "095/03/15");
    EXPECT_EQ(roc_padded(ymd(2025, 3, 7)), "114/03/07");
    EXPECT_EQ(roc_header(ymd(2010, 12, 31)), "99/12/31");
    EXPECT_EQ(roc_header(ymd(2025, 3, 7)), "114/03/07");
    EXPECT_EQ(roc_print_date(ymd(2025, 3, 7)), "114年03月07日");
    EXPECT_EQ(roc_print_date(ymd(2010, 12, 31)), "99年12月31日");
    EXPECT_EQ(query_date(ymd(2006, 3, 15)), "03/15/2006");
    EXPECT_EQ(slash_date(ymd(2006, 3, 15)), "2006/03/15");
    EXPECT_EQ(iso_text(ymd(2024, 2, 29)), "2024-02-29");
    DateTime t = ymd(2024, 2, 29);
    t.hour = 9;
    t.second = 5;
    EXPECT_EQ(iso_text(t), "2024-02-29 09:00:05");
}

TEST(Date, ParseAcceptedForms) {
    EXPECT_EQ(parse_iso_date("2006-03-15"), ymd(2006, 3, 15));
    EXPECT_EQ(parse_iso_date("2006-3-5"), ymd(2006, 3, 5));
    const auto with_time = parse_iso_date("2006-03-15 13:45:10");
    ASSERT_TRUE(with_time);
    EXPECT_EQ(*with_time, (DateTime{2006, 3, 15, 13, 45, 10}));
    EXPECT_TRUE(with_time->has_time());
    const auto t_form = parse_iso_date("2006-03-15T00:00:00.000");
    ASSERT_TRUE(t_form);
    EXPECT_EQ(*t_form, ymd(2006, 3, 15));
    EXPECT_FALSE(t_form->has_time());
    EXPECT_EQ(parse_iso_date("2006-03-15 08:30"), (DateTime{2006, 3, 15, 8, 30, 0}));
}

TEST(Date, ParseRejectsNonDates) {
    EXPECT_FALSE(parse_iso_date(""));
    EXPECT_FALSE(parse_iso_date("2006-02-29"));
    EXPECT_TRUE(parse_iso_date("2000-02-29"));
    EXPECT_FALSE(parse_iso_date("1900-02-29"));
    EXPECT_FALSE(parse_iso_date("2006-13-01"));
    EXPECT_FALSE(parse_iso_date("2006-04-31"));
    EXPECT_FALSE(parse_iso_date("2006-03-15x"));
    EXPECT_FALSE(parse_iso_date("03/15/2006"));
    EXPECT_FALSE(parse_iso_date("2006-03-15 24:00:00"));
    EXPECT_FALSE(parse_iso_date("2006-03-15 10"));
    EXPECT_FALSE(parse_iso_date("095/03/15"));
    EXPECT_FALSE(parse_iso_date(std::string(10000, '9')));
    EXPECT_TRUE(is_valid_date(2024, 2, 29));
    EXPECT_FALSE(is_valid_date(2025, 2, 29));
    EXPECT_FALSE(is_valid_date(2025, 12, 32));
    EXPECT_FALSE(is_valid_date(0, 1, 1));
}

}  // namespace
}  // namespace zol
