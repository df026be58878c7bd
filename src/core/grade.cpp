#include "core/grade.h"

#include "core/numbers.h"

namespace zol {

std::int16_t grade_code(std::string_view text) {
    // The kindergarten levels are matched exactly, blanks and all.
    if (text == "幼小") return 13;
    if (text == "幼中") return 14;
    if (text == "幼大") return 15;
    return to_int16(leading_number(text));
}

}  // namespace zol
