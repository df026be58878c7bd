#include "report/field_values.h"

#include <cmath>

#include "core/numbers.h"
#include "core/text.h"

namespace zol {

namespace {

constexpr double kWholeLimit = 4611686018427387904.0;  // 2^62

std::int64_t clamp_whole(double v) {
    if (std::isnan(v)) return 0;
    const double r = round_half_even(v);
    if (r >= kWholeLimit) return static_cast<std::int64_t>(kWholeLimit);
    if (r <= -kWholeLimit) return -static_cast<std::int64_t>(kWholeLimit);
    return static_cast<std::int64_t>(r);
}

}  // namespace

std::string trimmed_text(const Value& v) {
    return trim(v.text());
}

std::int64_t whole_number(const Value& v) {
    return clamp_whole(v.number());
}

std::int64_t whole_number(double v) {
    return clamp_whole(v);
}

std::int64_t whole_number(std::string_view cell) {
    if (cell.empty()) return 0;
    return clamp_whole(leading_number(cell));
}

std::string decimal_text(const Value& v) {
    if (v.is_integer()) return v.text();
    return number_text(v.number());
}

std::optional<DateTime> date_of(const Value& v) {
    if (v.is_date()) return v.date();
    if (v.is_text()) return parse_iso_date(trim(v.text()));
    return std::nullopt;
}

std::string date_key(const Value& v) {
    if (v.is_date()) {
        // Read for every payment row: formatted in place rather than piece by piece.
        const DateTime& d = v.date();
        if (d.year >= 0 && d.year <= 9999 && d.month >= 0 && d.month <= 99 && d.day >= 0 &&
            d.day <= 99) {
            char buf[11] = {static_cast<char>('0' + d.year / 1000),
                            static_cast<char>('0' + d.year / 100 % 10),
                            static_cast<char>('0' + d.year / 10 % 10),
                            static_cast<char>('0' + d.year % 10),
                            '/',
                            static_cast<char>('0' + d.month / 10),
                            static_cast<char>('0' + d.month % 10),
                            '/',
                            static_cast<char>('0' + d.day / 10),
                            static_cast<char>('0' + d.day % 10),
                            '\0'};
            return std::string(buf, 10);
        }
        return slash_date(d);
    }
    if (auto d = date_of(v)) return slash_date(*d);
    return trimmed_text(v);
}

}  // namespace zol
