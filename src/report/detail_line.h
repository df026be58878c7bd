// The student's detail line (and its second line when more than eight item columns
// are in use). The lines are returned without the four blanks they are written after.
#pragma once

#include <string>
#include <string_view>

#include "report/writer_state.h"

namespace zol {

// Five columns for the grade code: " 1   ".." 9   ", " 10  ".." 12  ", "幼小 ", "幼中 ",
// "幼大 ". Any other code is shown like the numbered grades: a blank, then the code
// left-aligned in the remaining four columns (a longer code is written whole).
std::string grade_label(std::string_view code);

std::string detail_line(const WriterState& s, int r);
std::string detail_second_line(const WriterState& s, int r);

}  // namespace zol
