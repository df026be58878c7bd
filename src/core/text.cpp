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

void append_right(std::string& out, std::string_view text, int width) {
    const int room = width - static_cast<int>(text.size());
    out += blanks(room > 0 || out.empty() || out.back() == ' ' ? room : 1);
    out += text;
}

namespace {
char lower(char c) {
    return static_cast<char>(to_lower_ascii(static_cast<unsigned char>(c)));
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
