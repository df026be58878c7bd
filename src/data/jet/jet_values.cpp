// Conversions of Jet's stored number and date forms.
#include "data/jet/jet_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/date.h"

namespace zol {

namespace {

// 1899-12-30 counted from 1970-01-01.
constexpr long long kJetEpochDays = -25569;

double decimal_to_double(std::string_view text) {
    // strtod rounds correctly to the nearest double; from_chars for double may be missing
    // in older standard libraries, so go through a terminated copy.
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

JetNumber jet_currency(std::int64_t units) {
    if (units % 10000 == 0) return units / 10000;
    const bool negative = units < 0;
    // Work unsigned so that the most negative amount does not overflow.
    const std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(units) + 1 : static_cast<std::uint64_t>(units);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return decimal_to_double(buf);
}

std::optional<JetNumber> jet_decimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const std::size_t int_begin = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    const std::size_t int_end = i;
    std::size_t frac_end = i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        frac_end = i;
    }
    if (i != text.size() || (int_end == int_begin && frac_end <= int_end + 1)) return std::nullopt;
    bool whole = true;
    for (std::size_t k = int_end + 1; k < frac_end; ++k) {
        if (text[k] != '0') whole = false;
    }
    if (whole) {
        std::int64_t v = 0;
        const std::string_view digits = text.substr(0, int_end);
        const char* first = digits.data() + (digits.size() > 0 && digits[0] == '+' ? 1 : 0);
        if (int_end == int_begin) return JetNumber{std::int64_t{0}};
        const auto res = std::from_chars(first, digits.data() + digits.size(), v);
        if (res.ec == std::errc() && res.ptr == digits.data() + digits.size()) return JetNumber{v};
    }
    return JetNumber{decimal_to_double(text)};
}

double jet_single(float value) {
    if (!std::isfinite(value)) return value;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return decimal_to_double(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

std::optional<std::string> jet_date_text(double serial) {
    // Year 100 .. 9999 is what Jet itself accepts.
    if (!std::isfinite(serial) || serial < -657435.0 || serial >= 2958466.0) return std::nullopt;
    long long day = static_cast<long long>(serial);  // toward zero: the day part
    const double fraction = std::fabs(serial - static_cast<double>(day));
    long long seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;  // the time of day always runs forward from the day's midnight
    }
    DateTime d = civil_from_days(day + kJetEpochDays);
    if (d.year < 100 || d.year > 9999) return std::nullopt;
    d.hour = static_cast<int>(seconds / 3600);
    d.minute = static_cast<int>(seconds / 60 % 60);
    d.second = static_cast<int>(seconds % 60);
    return iso_text(d);
}

std::string jet_guid_text(const unsigned char* b) {
    char text[40];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

}  // namespace zol
