// print_date: turns the payment rows and the item rows into the report file rep_5300.TXT.
#pragma once

#include <filesystem>
#include <memory>

#include "core/date.h"
#include "data/data_options.h"
#include "data/result_set.h"
#include "report/held_report.h"

namespace zol {

struct WriterOptions {
    // Classes printed merged (班級合併列印): one set of columns, one final total.
    bool merged = false;
    // The run's date, printed in every page header as "114年03月07日".
    DateTime print_date;
    // Where the report goes; normally report_path(base_path).
    std::filesystem::path output_path;
    // Given the report as written, held open (optional).
    std::shared_ptr<const HeldReport>* written = nullptr;
};

// Writes the whole report and returns the page count (= the number of FF lines).
// `detail` must stand on its first row and hold at least one row (the payment query); it
// is read forward only (eof, move_next, field by name), one class group at a time, so it
// may be a stream of any length. `items` is the item query, walked from its first row.
// `progress` hears of the rows written after each class group; what it throws ends the
// run. Throws ReportError when the file cannot be written; on any failure the previous
// report stays, and errors of the result sets are let through.
int print_date(RowSource& detail, ResultSet& items, const WriterOptions& options,
               const ProgressFn& progress = {});

}  // namespace zol
