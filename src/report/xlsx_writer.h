// The report's data as a workbook: sheet "明細" with one row per student line of the
// report, and sheet "合計" with the count and sums of every class group and of the whole.
#pragma once

#include <climits>
#include <filesystem>

#include "data/result_set.h"

namespace zol {

struct XlsxOptions {
    // Classes printed merged: the pages run on over the class groups.
    bool merged = false;
    std::filesystem::path output_path;
    // Only the students whose line falls on a report page in this range are written.
    int first_page = INT_MIN;
    int last_page = INT_MAX;
};

// Reads the rows as print_date does: the detail rows forward only (eof, move_next, field
// by name), the item rows from their first row. Returns the number of students written;
// with none (no rows, or none on the pages asked for) no file is written. Throws
// ReportError when the file cannot be written; the file that was there stays as it was.
long long write_xlsx(RowSource& detail, ResultSet& items, const XlsxOptions& options);

}  // namespace zol
