// print_date: turns the payment rows and the item rows into the report file rep_5300.TXT.
#pragma once

#include <filesystem>

#include "core/date.h"
#include "data/result_set.h"

namespace zol {

struct WriterOptions {
    // Classes printed merged (班級合併列印): one set of columns, one final total.
    bool merged = false;
    // The run's date, printed in every page header as "114年03月07日".
    DateTime print_date;
    // Where the report goes; normally report_path(base_path).
    std::filesystem::path output_path;
};

// Writes the whole report and returns the page count (= the number of FF lines).
// `detail` must stand on its first row and hold at least one row (the payment query);
// `items` is the item query, walked from its first row for every class group. Both are
// read through eof, move_next, move_first (items only) and field by name.
// Throws ReportError when the file cannot be written (the previous report stays), and
// lets errors of the result sets through.
int print_date(ResultSet& detail, ResultSet& items, const WriterOptions& options);

}  // namespace zol
