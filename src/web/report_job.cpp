#include "web/report_job.h"

#include <exception>
#include <filesystem>

#include "core/package_path.h"
#include "data/data_control.h"
#include "data/db_error.h"
#include "report/report_file.h"
#include "report/report_run.h"

namespace zol::web {

namespace {

// "095/03/15" as "095-03-15": the date in a file name.
std::string file_date(std::string text) {
    for (char& c : text)
        if (c == '/') c = '-';
    return text;
}

void run_checked(WebRun& run, const JobRequest& request) {
    DataControl ado_cbo;
    DataControl ado_print;
    ado_cbo.share_reads_with(ado_print);
    const std::string connection = package_connection_string(request.base);
    ado_cbo.set_connection_string(connection);
    ado_print.set_connection_string(connection);
    const ProgressFn progress = [&run](const Progress& p) {
        // A clerk who logged out or ran again is no longer waiting for this one.
        if (run.cancelled()) throw RunCancelled();
        run.set_progress(p);
    };
    ado_cbo.set_options({true, progress, {}});
    ado_print.set_options({true, progress, {}});

    FilterSnapshot f;
    f.preview_mode = run.preview();
    if (std::string refused = fill_filters(request.choices, ado_cbo, f); !refused.empty())
        return run.fail(std::move(refused));
    const CheckResult check = Check_Text(f);
    run.set_trimmed({{"CBO_Grade", f.CBO_Grade},
                     {"CBO_ClsID", f.CBO_ClsID},
                     {"CBO_ClsID2", f.CBO_ClsID2},
                     {"CBO_SeatNo1", f.CBO_SeatNo1},
                     {"CBO_SeatNo2", f.CBO_SeatNo2},
                     {"Txt_StdNo1", f.Txt_StdNo1},
                     {"Txt_StdNo2", f.Txt_StdNo2}});
    if (check.outcome == CheckOutcome::Failed)
        return run.fail(check.message, check.focus, check.select_opt_group2);
    if (check.outcome == CheckOutcome::NeedsQuestion && !request.yes) return run.ask(check.message);

    const RunRequest run_request{f, check.dates, request.base, today(),
                                 run.folder() / std::string(kReportFileName)};
    const RunResult result = select_data(run_request, ado_print, ado_cbo, progress);
    if (result.outcome != RunOutcome::Written) return run.fail(result.message, result.focus);
    std::string label = file_date(f.CBO_TranDay);
    if (!f.CBO_TranDay2.empty()) label += "_" + file_date(f.CBO_TranDay2);
    run.finish(result.pages, result.report,
               XlsxSource{f, check.dates, request.base, result.report, ado_print.snapshot_id()},
               std::move(label));
}

}  // namespace

void run_report(WebRun& run, const JobRequest& request) {
    try {
        run_checked(run, request);
    } catch (const RunCancelled& e) {
        run.fail(e.what());
    } catch (const DbError& e) {
        run.fail(std::string("資料庫錯誤: ") + e.what());
    } catch (const ReportError& e) {
        run.fail(std::string("報表檔錯誤: ") + e.what());
    } catch (const std::exception& e) {
        run.fail(std::string("錯誤: ") + e.what());
    }
}

}  // namespace zol::web
