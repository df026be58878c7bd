#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zol {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Exponents are saturated here: far beyond what a double can hold either way, and
// small enough that adding the mantissa's digit count cannot overflow an int.
constexpr long kExponentLimit = 100000;

}  // namespace

double leading_number(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;

    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Collect the significant digits of the mantissa and where the decimal point falls.
    std::string digits;
    long point_shift = 0;  // decimal exponent contributed by the mantissa's layout
    bool any_digit = false;
    while (i < n && is_digit(text[i])) {
        any_digit = true;
        if (!digits.empty() || text[i] != '0') {
            if (digits.size() < 800) {
                digits.push_back(text[i]);
            } else if (point_shift < kExponentLimit) {
                ++point_shift;  // further integer digits only scale the value
            }
        }
        ++i;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && is_digit(text[i])) {
            any_digit = true;
            if (digits.size() < 800) {
                if (!digits.empty() || text[i] != '0') digits.push_back(text[i]);
                if (point_shift > -kExponentLimit) --point_shift;
            }
            ++i;
        }
    }
    if (!any_digit) return 0.0;

    long exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool exp_negative = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            exp_negative = text[j] == '-';
            ++j;
        }
        if (j < n && is_digit(text[j])) {
            while (j < n && is_digit(text[j])) {
                if (exponent < kExponentLimit) exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (exponent > kExponentLimit) exponent = kExponentLimit;
            if (exp_negative) exponent = -exponent;
        }
    }

    double value = 0.0;
    if (!digits.empty()) {
        const long e10 = exponent + point_shift;
        std::string normal = digits + "e" + std::to_string(e10);
        // Digits and an exponent always parse: out of range is the only failure.
        if (std::from_chars(normal.data(), normal.data() + normal.size(), value).ec ==
            std::errc::result_out_of_range) {
            // Magnitude of the value is about 10^(digits + e10).
            const long magnitude = static_cast<long>(digits.size()) + e10;
            value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        }
    }
    return negative ? -value : value;
}

double round_half_even(double v) {
    if (!std::isfinite(v)) return v;
    const double lower = std::floor(v);
    const double diff = v - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

namespace {

template <typename Int>
Int checked_integer(double v, const char* range) {
    const double r = round_half_even(v);
    if (std::isnan(r) || r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max())) {
        throw OverflowError("溢位：數值 " + number_text(v) + " 超出整數範圍 " + range);
    }
    return static_cast<Int>(r);
}

}  // namespace

std::int16_t to_int16(double v) {
    return checked_integer<std::int16_t>(v, "-32768 到 32767");
}

std::int32_t to_int32(double v) {
    return checked_integer<std::int32_t>(v, "-2147483648 到 2147483647");
}

std::string number_text(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    if (v == 0.0) return "0";  // also -0
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<long long>(v));
    }
    // Fifteen significant digits, as the package's numbers have always been shown.
    char buf[64];  // room for any double in fifteen digits
    char* end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15).ptr;
    std::string out(buf, end);
    for (char& c : out) {
        if (c == 'e') c = 'E';
    }
    return out;
}

namespace {

std::string group_thousands(std::string_view digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace

std::string format_thousands(double v) {
    if (!std::isfinite(v)) return {};
    const double r = round_half_even(v);
    if (r == 0.0) return {};
    char buf[400];  // room for the 309 digits of the largest double
    const char* end =
        std::to_chars(buf, buf + sizeof buf, std::fabs(r), std::chars_format::fixed, 0).ptr;
    std::string out = r < 0 ? "-" : "";
    out += group_thousands(std::string_view(buf, static_cast<std::size_t>(end - buf)));
    return out;
}

std::string format_thousands(std::string_view text) {
    if (text.empty()) return {};
    return format_thousands(leading_number(text));
}

std::string zero_pad(long long v, int width) {
    const bool negative = v < 0;
    // Magnitude as unsigned so that the smallest long long has one too.
    const unsigned long long mag =
        negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string digits = std::to_string(mag);
    if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
}

std::string zero_pad(std::string_view text, int width) {
    if (text.empty()) return std::string(text);
    for (char c : text) {
        if (!is_digit(c)) return std::string(text);
    }
    // Digits only: the number it stands for, zero-padded; works on the text so that any
    // length of serial number is kept whole.
    std::size_t first = text.find_first_not_of('0');
    std::string digits = first == std::string_view::npos ? "0" : std::string(text.substr(first));
    if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

}  // namespace zol
