#include "report/report_run.h"

#include "data/db_error.h"
#include "report/database_guard.h"
#include "report/report_file.h"
#include "report/report_writer.h"

namespace zol {

std::string package_connection_string(std::string_view base_path) {
    return std::string("Provider=Microsoft.Jet.OLEDB.4.0;") +
           "Jet OLEDB:Database password = KTWOM;" + "Data Source=" + std::string(base_path) +
           "\\mdb\\ZOL.mdb;Persist Security Info=False";
}

bool open_run_rows(const PaymentQuery& query, DataControl& ado_print, DataControl& ado_cbo) {
    constexpr int kTries = 4;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        ado_print.set_record_source(query.detail_sql);
        ado_print.refresh_forward();
        if (ado_print.eof()) return false;
        // The item query is the last statement on Ado_CBO while the writer reads it.
        ado_cbo.set_record_source(query.item_sql);
        ado_cbo.refresh();
        // The item columns must be those of the very rows written: both statements read one
        // state of the file, else both are read again.
        if (ado_print.snapshot_id() == ado_cbo.snapshot_id()) return true;
    }
    throw DbError(data_source_of(ado_print.connection_string()), kMsgDatabaseBusy);
}

RunResult select_data(const RunRequest& request, DataControl& ado_print, DataControl& ado_cbo,
                      const ProgressFn& progress) {
    RunResult result;
    const PaymentQuery query = build_payment_query(request.filters, request.dates);
    if (query.outcome != QueryOutcome::Built) {
        result.outcome = RunOutcome::Refused;
        result.message = query.message;
        result.focus = query.focus;
        return result;
    }

    const std::filesystem::path output =
        request.output_path.empty() ? report_path(request.base_path) : request.output_path;
    const FileAdmission admit = report_database_admission(request.base_path, output);
    for (DataControl* control : {&ado_print, &ado_cbo})
        control->set_admission("report:" + request.base_path, admit);
    if (!open_run_rows(query, ado_print, ado_cbo)) {
        result.outcome = RunOutcome::NoData;
        result.message = kMsgNoData;
        return result;
    }

    WriterOptions options;
    options.merged = request.filters.Chk_ALL;
    options.print_date = request.print_date;
    options.output_path = output;
    options.written = &result.report;
    result.pages = print_date(ado_print.rows(), ado_cbo.result(), options, progress);
    result.outcome = RunOutcome::Written;
    result.report_file = options.output_path;
    return result;
}

}  // namespace zol
