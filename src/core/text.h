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
// The texts one after another, in one allocation. Written so rather than as "a" + b + "c":
// GCC's -Wrestrict sees a false overlap in a literal added before a string.
template <typename... Parts>
std::string cat(const Parts&... parts) {
    const std::string_view views[] = {std::string_view(parts)...};
    std::size_t size = 0;
    for (const std::string_view v : views) size += v.size();
    std::string out;
    out.reserve(size);
    for (const std::string_view v : views) out += v;
    return out;
}
// Case-insensitive ASCII comparison.
bool iequals(std::string_view a, std::string_view b);
std::string to_lower_ascii(std::string_view s);
// One byte of it: A-Z to a-z, any other byte as it is.
constexpr unsigned char to_lower_ascii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace zol
