// Small text helpers of the package.
#pragma once

#include <string>
#include <string_view>

namespace zol {

// Removes leading and trailing blanks (spaces only, like Trim$).
std::string trim(std::string_view s);
// n blanks; a negative n gives none.
std::string blanks(int n);
// Appends an ASCII text right-aligned in a column of `width`. A text that fills or overflows
// its column still gets one blank before it, so two amounts never run together.
void append_right(std::string& out, std::string_view text, int width);
// Case-insensitive ASCII comparison.
bool iequals(std::string_view a, std::string_view b);
std::string to_lower_ascii(std::string_view s);
// One byte of it: A-Z to a-z, any other byte as it is.
constexpr unsigned char to_lower_ascii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace zol
