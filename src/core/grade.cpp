#include "core/grade.h"

#include "core/numbers.h"

namespace zol {

std::int16_t grade_code(std::string_view text) {
    // The kindergarten levels are matched exactly, blanks and all.
    for (std::size_t i = kFirstKindergartenCode - 1; i < kGrades.size(); ++i) {
        if (text == kGrades[i].text) return static_cast<std::int16_t>(i + 1);
    }
    return to_int16(leading_number(text));
}

const Grade* grade_of(std::string_view code) {
    for (const Grade& g : kGrades) {
        if (g.code == code) return &g;
    }
    return nullptr;
}

std::string_view kindergarten_name(std::string_view code) {
    const Grade* g = grade_of(code);
    return g && g >= &kGrades[kFirstKindergartenCode - 1] ? g->text : std::string_view();
}

}  // namespace zol
