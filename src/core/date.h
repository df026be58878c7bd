// Calendar dates as the package stores and shows them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zol {

// A date with an optional time of day, as read from a date column.
struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool has_time() const { return hour != 0 || minute != 0 || second != 0; }
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

bool is_valid_date(int year, int month, int day);

// Parses "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss" (also with "/" or "T"); nullopt when not a date.
std::optional<DateTime> parse_iso_date(std::string_view text);
// "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss" when a time is set.
std::string iso_text(const DateTime& d);

// The ROC year of a date is its western year less this.
inline constexpr int kRocYearOffset = 1911;

// The western year of a ROC year typed as text: its leading number as the lists read it
// (blanks skipped, digits up to the first other character; 0 for none) plus the offset.
double western_year(std::string_view roc_year);
// "099/12/31" or "99/12/31" back to its date; nullopt for any other text.
std::optional<DateTime> parse_roc_date(std::string_view text);

// "095/03/15": ROC year zero-padded to three digits (pattern "000"), as in the lists
// and the detail line's debit date.
std::string roc_padded(const DateTime& d);
// "95/03/15": ROC year as plain decimal, as in the page header.
std::string roc_header(const DateTime& d);
// "03/15/2006": the date text put between "#" signs in queries.
std::string query_date(const DateTime& d);
// "2006/03/15": the text form used to compare class-group keys.
std::string slash_date(const DateTime& d);
// "114年03月07日": the report's print date.
std::string roc_print_date(const DateTime& d);
// Day numbers of the proleptic Gregorian calendar, counted from 1970-01-01 (day 0;
// negative before it): the one conversion both ways that date arithmetic goes through.
long long days_from_civil(int year, int month, int day);
// The civil date of a day number (no time of day).
DateTime civil_from_days(long long days);
// The date `days` days after d's date (before it when negative), d's time of day kept.
DateTime add_days(const DateTime& d, long long days);

// Today's local date.
DateTime today();

}  // namespace zol
