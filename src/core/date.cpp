#include "core/date.h"

#include <charconv>
#include <ctime>

#include "core/numbers.h"
#include "core/text.h"

namespace zol {

namespace {

bool is_leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

std::string two(int v) {
    return zero_pad(static_cast<long long>(v), 2);
}

// Reads between min_digits and max_digits ASCII digits at pos; false when fewer are there.
bool read_number(std::string_view t, std::size_t& pos, int min_digits, int max_digits, int& out) {
    int value = 0;
    int count = 0;
    while (pos < t.size() && count < max_digits && t[pos] >= '0' && t[pos] <= '9') {
        value = value * 10 + (t[pos] - '0');
        ++pos;
        ++count;
    }
    if (count < min_digits) return false;
    out = value;
    return true;
}

}  // namespace

bool is_valid_date(int year, int month, int day) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const int last = (month == 2 && is_leap(year)) ? 29 : kDays[month - 1];
    return day <= last;
}

std::optional<DateTime> parse_iso_date(std::string_view text) {
    // Surrounding blanks are tolerated; anything else must be part of the date.
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);

    DateTime d;
    std::size_t pos = 0;
    if (!read_number(text, pos, 4, 4, d.year)) return std::nullopt;
    if (pos >= text.size() || (text[pos] != '-' && text[pos] != '/')) return std::nullopt;
    const char sep = text[pos++];
    if (!read_number(text, pos, 1, 2, d.month)) return std::nullopt;
    if (pos >= text.size() || text[pos] != sep) return std::nullopt;
    ++pos;
    if (!read_number(text, pos, 1, 2, d.day)) return std::nullopt;
    if (!is_valid_date(d.year, d.month, d.day)) return std::nullopt;
    if (pos == text.size()) return d;

    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    ++pos;
    if (!read_number(text, pos, 1, 2, d.hour)) return std::nullopt;
    if (pos >= text.size() || text[pos] != ':') return std::nullopt;
    ++pos;
    if (!read_number(text, pos, 2, 2, d.minute)) return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!read_number(text, pos, 2, 2, d.second)) return std::nullopt;
        // Fractions of a second are not kept by the package.
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            int ignored = 0;
            if (!read_number(text, pos, 1, 9, ignored)) return std::nullopt;
        }
    }
    if (pos != text.size()) return std::nullopt;
    if (d.hour > 23 || d.minute > 59 || d.second > 59) return std::nullopt;
    return d;
}

std::string iso_text(const DateTime& d) {
    std::string out =
        zero_pad(static_cast<long long>(d.year), 4) + "-" + two(d.month) + "-" + two(d.day);
    if (d.has_time()) out += cat(" ", two(d.hour), ":", two(d.minute), ":", two(d.second));
    return out;
}

double western_year(std::string_view roc_year) {
    return leading_number(roc_year) + kRocYearOffset;
}

std::optional<DateTime> parse_roc_date(std::string_view text) {
    int y = 0, m = 0, d = 0;
    const char* p = text.data();
    const char* end = p + text.size();
    for (int* part : {&y, &m, &d}) {
        const auto r = std::from_chars(p, end, *part);
        if (r.ec != std::errc()) return std::nullopt;
        p = r.ptr;
        if (part != &d) {
            if (p == end || *p != '/') return std::nullopt;
            ++p;
        }
    }
    if (p != end || !is_valid_date(y + kRocYearOffset, m, d)) return std::nullopt;
    return DateTime{y + kRocYearOffset, m, d};
}

std::string roc_padded(const DateTime& d) {
    return zero_pad(static_cast<long long>(d.year - kRocYearOffset), 3) + "/" + two(d.month) + "/" +
           two(d.day);
}

std::string roc_header(const DateTime& d) {
    return std::to_string(d.year - kRocYearOffset) + "/" + two(d.month) + "/" + two(d.day);
}

std::string query_date(const DateTime& d) {
    return two(d.month) + "/" + two(d.day) + "/" + zero_pad(static_cast<long long>(d.year), 4);
}

std::string slash_date(const DateTime& d) {
    return zero_pad(static_cast<long long>(d.year), 4) + "/" + two(d.month) + "/" + two(d.day);
}

std::string roc_print_date(const DateTime& d) {
    return std::to_string(d.year - kRocYearOffset) + "年" + two(d.month) + "月" + two(d.day) + "日";
}

long long days_from_civil(int year, int month, int day) {
    // Years counted from March, so that the leap day ends a year; 400-year eras of
    // 146097 days; 719468 days from 0000-03-01 to 1970-01-01.
    const long long y = year - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateTime civil_from_days(long long days) {
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    DateTime d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
    return d;
}

DateTime add_days(const DateTime& d, long long days) {
    DateTime out = civil_from_days(days_from_civil(d.year, d.month, d.day) + days);
    out.hour = d.hour;
    out.minute = d.minute;
    out.second = d.second;
    return out;
}

DateTime today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DateTime d;
    d.year = local.tm_year + 1900;
    d.month = local.tm_mon + 1;
    d.day = local.tm_mday;
    return d;
}

}  // namespace zol
