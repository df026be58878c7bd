#include "core/date.h"

#include <gtest/gtest.h>

#include <ctime>

namespace zol {
namespace {

DateTime ymd(int y, int m, int d) {
    return DateTime{y, m, d};
}

TEST(Date, RocForms) {
    const DateTime a = ymd(2006, 3, 15), b = ymd(2025, 3, 7), c = ymd(2010, 12, 31);
    const std::string sp = " ";
    EXPECT_EQ(roc_padded(a) + sp + roc_padded(b) + sp + roc_header(c) + sp + roc_header(b),
              "095/03/15 114/03/07 99/12/31 114/03/07");
    EXPECT_EQ(roc_print_date(b) + sp + roc_print_date(c), "114年03月07日 99年12月31日");
    EXPECT_EQ(query_date(a) + sp + slash_date(a), "03/15/2006 2006/03/15");
    EXPECT_EQ(iso_text(ymd(2024, 2, 29)) + sp + iso_text(DateTime{2024, 2, 29, 9, 0, 5}),
              "2024-02-29 2024-02-29 09:00:05");
}

// ROC date texts both ways: what each form writes reads back, and nothing else does; a
// typed year is read as the lists read it.
TEST(Date, RocTextReadsBack) {
    // Before the first ROC year too: the page header writes "-1/01/01" for 1910.
    for (const DateTime& d : {ymd(2006, 3, 15), ymd(2010, 12, 31), ymd(1910, 1, 1)}) {
        EXPECT_EQ(parse_roc_date(roc_padded(d)), d) << roc_padded(d);
        EXPECT_EQ(parse_roc_date(roc_header(d)), d) << roc_header(d);
    }
    for (const char* bad : {"", "099", "099/12", "099/12/", "099/13/01", "099/02/30", "099-12-31",
                            "099/12/31 ", "x99/12/31", "099/12/3x"})
        EXPECT_FALSE(parse_roc_date(bad)) << bad;
    EXPECT_EQ(western_year("099"), 2010);
    EXPECT_EQ(western_year(" 95_"), 2006);
    EXPECT_EQ(western_year("___"), 1911);
}

// The last day of every month and the day after it, leap years on both sides of each rule,
// and the year and month limits.
TEST(Date, ValidDatesEndAtEachMonthsLastDay) {
    const int last[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m) {
        EXPECT_TRUE(is_valid_date(2023, m, last[m - 1])) << m;
        EXPECT_FALSE(is_valid_date(2023, m, last[m - 1] + 1)) << m;
        EXPECT_TRUE(is_valid_date(2023, m, 1)) << m;
        EXPECT_FALSE(is_valid_date(2023, m, 0)) << m;
    }
    struct Row {
        int y, m, d;
        bool valid;
    } rows[] = {
        {2024, 2, 29, true},  {2024, 2, 30, false}, {2000, 2, 29, true}, {1900, 2, 29, false},
        {2100, 2, 28, true},  {2023, 2, 29, false}, {1, 1, 1, true},     {0, 1, 1, false},
        {9999, 12, 31, true}, {10000, 1, 1, false}, {2023, 0, 1, false}, {2023, 13, 1, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(is_valid_date(r.y, r.m, r.d), r.valid) << r.y << "-" << r.m << "-" << r.d;
}

TEST(Date, ParseAcceptedForms) {
    EXPECT_EQ(parse_iso_date("2006-03-15"), ymd(2006, 3, 15));
    EXPECT_EQ(parse_iso_date(" 2006/3/5 "), ymd(2006, 3, 5));
    EXPECT_EQ(parse_iso_date("2006-03-15 13:45:10"), (DateTime{2006, 3, 15, 13, 45, 10}));
    const auto t_form = parse_iso_date("2006-03-15T00:00:00.000");
    ASSERT_TRUE(t_form);
    EXPECT_EQ(*t_form, ymd(2006, 3, 15));
    EXPECT_FALSE(t_form->has_time());
    EXPECT_EQ(parse_iso_date("2006-03-15 8:30"), (DateTime{2006, 3, 15, 8, 30, 0}));
}

// Each field's digit count and value limit, one row on each side.
TEST(Date, ParseDigitAndValueLimits) {
    const char* valid[] = {"2006-12-31", "2006-04-30",          "2006-02-28",
                           "2006-1-1",   "2006-01-01 23:59:59", "2006-01-01 10:00:00.123456789"};
    for (const char* text : valid) EXPECT_TRUE(parse_iso_date(text)) << text;
    const char* invalid_dates[] = {"2006-12-32",  "2006-04-31",  "2006-02-29", "2006-13-01",
                                   "2006-00-01",  "2006-01-00",  "206-01-01",  "20061-01-01",
                                   "2006-001-01", "2006-01-001", "2006-01/01", "2006-01-01x",
                                   "095/03/15"};
    const char* invalid_times[] = {"2006-01-01 24:00:00",  "2006-01-01 23:60",
                                   "2006-01-01 23:59:60",  "2006-01-01 123:00",
                                   "2006-01-01 1:5",       "2006-01-01 1:05:5",
                                   "2006-01-01 1:05:055",  "2006-01-01 10",
                                   "2006-01-01 10:00:00.", "2006-01-01 10:00:00.1234567890"};
    for (const char* text : invalid_dates) EXPECT_FALSE(parse_iso_date(text)) << text;
    for (const char* text : invalid_times) EXPECT_FALSE(parse_iso_date(text)) << text;
    EXPECT_FALSE(parse_iso_date(std::string(10000, '9')) || parse_iso_date(""));
}

TEST(Date, DayNumbersAndAddingDays) {
    EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
    EXPECT_EQ(days_from_civil(1899, 12, 30), -25569);
    EXPECT_EQ(days_from_civil(2000, 3, 1) - days_from_civil(2000, 2, 28), 2);
    EXPECT_EQ(days_from_civil(1900, 3, 1) - days_from_civil(1900, 2, 28), 1);
    EXPECT_EQ(days_from_civil(2001, 1, 1) - days_from_civil(2000, 1, 1), 366);
    // Every day of four centuries, before and after 1970, goes there and back.
    for (long long n = -146097; n <= 146097; n += 1) {
        const DateTime d = civil_from_days(n);
        ASSERT_TRUE(is_valid_date(d.year, d.month, d.day)) << n;
        ASSERT_EQ(days_from_civil(d.year, d.month, d.day), n);
    }
    DateTime t{2024, 2, 28, 10, 5, 0};
    EXPECT_EQ(add_days(t, 1), (DateTime{2024, 2, 29, 10, 5, 0}));
    EXPECT_EQ(add_days(t, 2), (DateTime{2024, 3, 1, 10, 5, 0}));
    EXPECT_EQ(add_days(ymd(2025, 1, 1), -1), ymd(2024, 12, 31));
    const auto local_day = [] {
        char text[16];
        const std::time_t at = std::time(nullptr);
        std::strftime(text, sizeof text, "%Y-%m-%d", std::localtime(&at));
        return std::string(text);
    };
    const std::string before = local_day(), got = iso_text(today());
    EXPECT_TRUE(got == before || got == local_day()) << got;  // midnight may pass meanwhile
}

}  // namespace
}  // namespace zol
