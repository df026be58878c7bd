// The query window's report run of one collection date on a package, and the preview open on
// it, for test programs that then use the preview as a clerk would.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "query/filter_lists.h"
#include "print/print_state.h"
#include "query/check_text.h"
#include "report/report_run.h"
#include "report/xlsx_run.h"
#include "ui/show_preview.h"

namespace zol::test {

class PreviewRun {
  public:
    // window() is null when the run wrote no report.
    PreviewRun(const std::string& base, const std::string& tranday, PreviewHooks hooks) {
        ado_cbo_.share_reads_with(ado_print_);
        ado_print_.set_connection_string(package_connection_string(base));
        ado_cbo_.set_connection_string(package_connection_string(base));
        FilterSnapshot f;
        f.preview_mode = true;
        load_status_list(ado_cbo_, f);
        const auto dates = load_tranday_list(ado_cbo_, f);
        const auto at = std::find(dates.begin(), dates.end(), tranday);
        if (at == dates.end()) return;
        f.CBO_TranDay_index = static_cast<int>(at - dates.begin());
        f.CBO_TranDay = tranday;
        load_group_list(ado_cbo_, f);
        load_item_list(ado_cbo_, f);
        const CheckResult check = Check_Text(f);
        if (check.outcome == CheckOutcome::Failed) return;
        const RunRequest request{f, check.dates, base, DateTime{2025, 3, 7}};
        const RunResult run = select_data(request, ado_print_, ado_cbo_);
        if (run.outcome != RunOutcome::Written) return;
        host_ = std::make_unique<PreviewHost>(state_, base, std::move(hooks));
        host_->hand_over_run(
            XlsxSource{f, check.dates, base, run.report, ado_print_.snapshot_id()});
        host_->show_preview(run.report_file.filename().string(), run.pages, print::kReportPaper,
                            print::kReportFirstPage, print::kReportOrientation);
    }

    PREPRINT* window() const { return host_ ? host_->window() : nullptr; }

  private:
    DataControl ado_print_, ado_cbo_;
    print::PrintState state_;
    std::unique_ptr<PreviewHost> host_;
};

}  // namespace zol::test
