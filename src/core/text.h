// Small text helpers of the package.
#pragma once

#include <string>
#include <string_view>

namespace zol {

// Removes leading and trailing blanks (spaces only, like Trim$).
std::string trim(std::string_view s);
// n blanks; a negative n gives none.
std::string blanks(int n);
// Case-insensitive ASCII comparison.
bool iequals(std::string_view a, std::string_view b);
std::string to_lower_ascii(std::string_view s);

}  // namespace zol
