// The preview's Excel button: the students on the pages of the range boxes as a workbook.
#include <QApplication>
#include <QFileDialog>

#include "core/package_path.h"
#include "data/data_control.h"
#include "data/db_error.h"
#include "report/report_file.h"
#include "report/report_run.h"
#include "ui/preview_window.h"

namespace zol {

void PREPRINT::CMD_EXCEL_Click() {
    if (!source_) {
        hooks_.message(QStringLiteral("這份報表沒有可匯出的查詢，請從查詢視窗重新預覽。"));
        return;
    }
    if (!read_range()) return;
    const int from = state_.print_from;
    const int to = state_.print_to;
    if (!state_.range_has_pages(total_pages_)) {
        hooks_.message(QStringLiteral("選印區間內沒有頁面，不寫 Excel 檔。"));
        return;
    }
    QString path =
        hooks_.xlsx_file_name
            ? hooks_.xlsx_file_name()
            : QFileDialog::getSaveFileName(
                  this, QStringLiteral("另存 Excel 檔"),
                  QString::fromStdString(report_export_path(base_path_, ".xlsx").string()),
                  QStringLiteral("Excel (*.xlsx)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        DataControl ado_print;
        DataControl ado_cbo;
        ado_cbo.share_reads_with(ado_print);
        // The rows of the very content the report was made from, though the file changed.
        DataOptions pinned;
        pinned.pinned_state = source_->snapshot_id;
        ado_print.set_options(pinned);
        ado_cbo.set_options(pinned);
        ado_print.set_connection_string(package_connection_string(source_->base_path));
        ado_cbo.set_connection_string(package_connection_string(source_->base_path));
        const XlsxResult r =
            export_xlsx(*source_, path.toStdString(), ado_print, ado_cbo, from, to);
        if (r.outcome != XlsxOutcome::Written) failure = QString::fromStdString(r.message);
    } catch (const DbError& e) {
        failure = QString::fromStdString(e.engine_message().empty() ? std::string(e.what())
                                                                    : e.engine_message());
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) hooks_.error(failure);
}

}  // namespace zol
