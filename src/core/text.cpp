#include "core/text.h"

#include <algorithm>

namespace zol {

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string blanks(int n) {
    return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string();
}

namespace {
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

std::string to_lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lower(c);
    return out;
}

}  // namespace zol
