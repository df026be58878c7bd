// What frames the detail lines: the page header with its control lines, the item column
// headers and the totals lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "report/report_output.h"
#include "report/writer_state.h"

namespace zol {

// "一".."十二", "幼小", "幼中", "幼大"; any other code "  ".
std::string grade_numeral(std::string_view code);
// "三(三年級) 年 05(忠班) 班 " from row r of row_table and row_names.
std::string class_text(const WriterState& s, int r);
// The two ten-column header cells of an item name of header width w.
std::pair<std::string, std::string> header_cells(std::string_view name, int width);

// The page header, written for row r, the first row of the page.
void write_page_header(ReportOutput& out, const WriterState& s, int r);

// Totals lines, without the four blanks they are written after.
std::string page_totals_line(const WriterState& s);
std::string class_totals_line(const WriterState& s);
std::string report_totals_line(const WriterState& s);
// 50 blanks and the sums of item columns 9..item_count.
std::string totals_second_line(const WriterState& s,
                               const std::array<std::int64_t, kMaxItemColumns + 1>& sums);
std::array<std::int64_t, kMaxItemColumns + 1> item_info_sums(const WriterState& s);

}  // namespace zol
