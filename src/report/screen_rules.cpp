#include "report/screen_rules.h"

#include "report/report_file.h"

namespace zol::screen {

After after(unsigned char introducer, unsigned code) {
    const auto is = [code](char c) { return code == static_cast<unsigned char>(c); };
    if (introducer == static_cast<unsigned char>(control::kEsc)) {
        if (is('@') || is('0') || is('2')) return After::nothing;
        // The printer language's ESC codes with one parameter.
        if (is('3') || is('A') || is('C') || is('W')) return After::one;
        if (is('S') || is('T')) return After::two_first_page;
        if (is(control::kPicture)) return After::line;
    } else if (introducer == static_cast<unsigned char>(control::kFs)) {
        if (is('@') || is('U') || is('V')) return After::nothing;
        if (is(control::kFont) || is('v')) return After::line_to_blank;
        if (is('S') || is('T')) return After::two;
        if (is(control::kSpacing)) return After::line;
    }
    return After::shown;
}

bool dropped_whole(std::string_view line) {
    if (line.empty()) return false;
    const auto first = static_cast<unsigned char>(line[0]);
    bool opens = line[0] == control::kFormFeed;
    if (!opens && line.size() > 1) {
        const After a = after(first, static_cast<unsigned char>(line[1]));
        opens = a == After::line || a == After::line_to_blank;
    }
    return opens && line.find_first_of(kFilterBytes, 1) == std::string_view::npos &&
           line.find_first_of("\r ", 1) == std::string_view::npos;
}

}  // namespace zol::screen
