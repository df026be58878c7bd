// One export run without any window: the run's statements again on two data controls,
// then the workbook. The preview's Excel button and `zol5300 report --xlsx` share it.
#pragma once

#include <climits>
#include <filesystem>
#include <memory>
#include <string>

#include "data/data_control.h"
#include "query/check_text.h"
#include "query/filter_snapshot.h"
#include "report/held_report.h"

namespace zol {

// What a report run was made from: enough to run its statements again.
struct XlsxSource {
    FilterSnapshot filters;
    QueryDates dates;
    std::string base_path;
    // The report that run wrote, held open: what the preview shows (none: looked up by name).
    std::shared_ptr<const HeldReport> report;
    // The state of the database that run read (DataControl::snapshot_id); empty: any.
    std::string snapshot_id;
};

// The export refused because the database is no longer in the state the report was made from.
inline constexpr const char* kMsgChangedSincePreview =
    "資料庫在預覽之後已變更，匯出的資料會與預覽的報表不同；請重新預覽後再匯出 Excel 檔。";

enum class XlsxOutcome {
    Written,  // `students` rows written to the file
    NoData,   // "查 無 資 料", or no student on the pages asked for: no file written
    Refused,  // the statements could not be built; `message` says why
};

struct XlsxResult {
    XlsxOutcome outcome = XlsxOutcome::Refused;
    std::string message;
    long long students = 0;
};

// Runs the detail and the item statement of `source` on the two controls and writes the
// students on pages first_page..last_page of the report to `file`. DbError and
// ReportError are let through; the file that was there stays unless the outcome is Written.
XlsxResult export_xlsx(const XlsxSource& source, const std::filesystem::path& file,
                       DataControl& ado_print, DataControl& ado_cbo, int first_page = INT_MIN,
                       int last_page = INT_MAX);

}  // namespace zol
