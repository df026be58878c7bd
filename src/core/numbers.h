// Numbers as the package reads and prints them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zol {

// Raised when a value does not fit the 16-bit integer it must become.
class OverflowError : public std::range_error {
public:
    using std::range_error::range_error;
};

// The decimal number at the start of a text: leading blanks (spaces, tabs) skipped, an
// optional sign, digits, a decimal point and an exponent; reading stops at the first
// character that cannot continue the number ("3A" -> 3, "1e2" -> 100, "12.5x" -> 12.5);
// no number gives 0 ("&H10" too). A value beyond a double's range gives +-infinity.
double leading_number(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double round_half_even(double v);

// round_half_even, then range-checked into a 16-bit signed integer; throws
// OverflowError beyond -32768..32767.
std::int16_t to_int16(double v);
// The same into a 32-bit signed integer.
std::int32_t to_int32(double v);

// Shortest decimal text of a number: 5 -> "5", 5.5 -> "5.5", -3 -> "-3".
std::string number_text(double v);

// The patterns "##,###" and "###,###": whole number with "," every three digits from
// the right; zero and empty text give empty text; negatives keep a leading "-".
// The text form reads the number with leading_number.
std::string format_thousands(double v);
std::string format_thousands(std::string_view text);

// The patterns "0#", "000", "00000": at least `width` digits, zero-padded ("5" -> "05").
// A value with more digits is written whole. A text of ASCII digits only is padded as the
// number it stands for, at any length ("000042" -> "00042"); any other text is returned
// unchanged.
std::string zero_pad(long long v, int width);
std::string zero_pad(std::string_view text, int width);

}  // namespace zol
