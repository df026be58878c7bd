#include "report/xlsx_run.h"

#include "query/payment_query.h"
#include "report/report_run.h"
#include "report/xlsx_writer.h"

namespace zol {

XlsxResult export_xlsx(const XlsxSource& source, const std::filesystem::path& file,
                       DataControl& ado_print, DataControl& ado_cbo, int first_page,
                       int last_page) {
    XlsxResult result;
    const PaymentQuery query = build_payment_query(source.filters, source.dates);
    if (query.outcome != QueryOutcome::Built) {
        result.message = query.message;
        return result;
    }
    result.outcome = XlsxOutcome::NoData;
    result.message = kMsgNoData;
    if (!open_run_rows(query, ado_print, ado_cbo)) return result;
    // The rows of another state than the preview's would not be those it shows.
    if (!source.snapshot_id.empty() && ado_print.snapshot_id() != source.snapshot_id) {
        result.outcome = XlsxOutcome::Refused;
        result.message = kMsgChangedSincePreview;
        return result;
    }

    const XlsxOptions options{source.filters.Chk_ALL, file, first_page, last_page};
    result.students = write_xlsx(ado_print.rows(), ado_cbo.result(), options);
    if (result.students > 0) {
        result.outcome = XlsxOutcome::Written;
        result.message.clear();
    }
    return result;
}

}  // namespace zol
