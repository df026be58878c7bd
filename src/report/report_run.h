// The body of one report run without any window: the two statements on the two data
// controls, the empty-result message, and the report file. The caller shows the
// message, moves the focus, and opens the preview or prints.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/date.h"
#include "data/data_control.h"
#include "query/check_text.h"
#include "query/filter_snapshot.h"
#include "query/payment_query.h"
#include "report/held_report.h"

namespace zol {

// The one connection string both data controls get for a package directory.
std::string package_connection_string(std::string_view base_path);

enum class RunOutcome {
    Written,  // the report file is written; `pages` pages
    NoData,   // the detail query found nothing: "查 無 資 料", no file written
    Refused,  // the statements could not be built ("身分別須選擇", a bad number)
};

struct RunResult {
    RunOutcome outcome = RunOutcome::Refused;
    std::string message;
    FocusControl focus = FocusControl::None;
    int pages = 0;
    std::filesystem::path report_file;
    // The report this run wrote, held open: what its preview, print and find read.
    std::shared_ptr<const HeldReport> report;
};

struct RunRequest {
    // Taken after Check_Text passed (and its question, if any, was answered Yes).
    const FilterSnapshot& filters;
    const QueryDates& dates;
    std::string base_path;
    DateTime print_date;
    // Where the report is written; empty: the package's report file. A web run writes into
    // a folder of its own, so a clerk at the window never finds another's report there.
    std::filesystem::path output_path = {};
};

// Opens a run's two statements: the detail rows on ado_print, read as a stream, and, when
// there are any, the item rows on ado_cbo. False when the detail query found nothing.
bool open_run_rows(const PaymentQuery& query, DataControl& ado_print, DataControl& ado_cbo);

// Builds the statements, runs the detail query on ado_print and, when it has rows, the
// item query on ado_cbo, then writes base_path\rpt\rep_5300.TXT. Database errors
// (DbError) and report file errors (ReportError) are let through; the previous report
// file stays as it was unless the outcome is Written.
// The detail rows are read forward from the file while the report is written; `progress`
// hears how the run goes, and what it throws ends the run with the previous report kept.
RunResult select_data(const RunRequest& request, DataControl& ado_print, DataControl& ado_cbo,
                      const ProgressFn& progress = {});

}  // namespace zol
