// zol5300 report BASE [options]: what a click on 預覽列印 (or 列印 with --print) runs,
// without a window. Ends where the preview would open; --show writes a page of the
// screen text, --sql only prints the two statements.
//
// --find TEXT then prints the report's lines that hold the text (exit 1 when none does).
//
// Exit codes: 0 report written (or statements printed); 1 查 無 資 料; 2 a check or an
// option was refused; 3 the whole-school question answered No; 4 a database or file error.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/progress_line.h"
#include "app/zol5300/report_options.h"
#include "app/zol5300/report_print.h"
#include "app/zol5300/usage.h"
#include "core/errno_text.h"
#include "data/db_error.h"
#include "query/check_text.h"
#include "query/filter_lists.h"
#include "query/payment_query.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/report_run.h"
#include "report/text_sink.h"
#include "report/xlsx_run.h"

namespace zol::app {

namespace {

void message(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void write_out(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// --xlsx: the same statements, written as a workbook; the report file is left alone.
int write_workbook(const XlsxSource& source, const std::string& file, DataControl& ado_print,
                   DataControl& ado_cbo) {
    try {
        const XlsxResult r = export_xlsx(source, file, ado_print, ado_cbo);
        if (r.outcome == XlsxOutcome::Written) return kExitDone;
        message(r.message);
        return r.outcome == XlsxOutcome::NoData ? kExitNoData : kExitRefused;
    } catch (const ReportError& e) {
        message(e.what());
        return kExitFailed;
    }
}

int run(const ReportOptions& o) {
    DataControl ado_cbo;
    DataControl ado_print;
    ado_cbo.share_reads_with(ado_print);
    const std::string connection = package_connection_string(o.base);
    ado_cbo.set_connection_string(connection);
    ado_print.set_connection_string(connection);
    ProgressLine progress_line;
    const ProgressFn progress = progress_line.listener();
    const NoticeFn notices = progress_line.notices();
    ado_cbo.set_options({!o.no_cache, progress, notices});
    ado_print.set_options({!o.no_cache, progress, notices});

    FilterSnapshot f;
    // The whole-school question guards paper: only --print asks it, a PDF uses none.
    f.preview_mode = !o.print;
    if (const std::string refused = fill_filters(o, ado_cbo, f); !refused.empty()) {
        message(refused);
        return kExitRefused;
    }

    const CheckResult check = Check_Text(f);
    if (check.outcome == CheckOutcome::Failed) {
        message(check.message);
        return kExitRefused;
    }
    if (check.outcome == CheckOutcome::NeedsQuestion && !o.yes) {
        message(check.message + " 否");
        return kExitAnsweredNo;
    }

    if (o.sql) {
        const PaymentQuery query = build_payment_query(f, check.dates);
        if (query.outcome != QueryOutcome::Built) {
            message(query.message);
            return kExitRefused;
        }
        write_out(query.detail_sql + "\n" + query.item_sql + "\n");
        return kExitDone;
    }

    if (o.xlsx)
        return write_workbook(XlsxSource{f, check.dates, o.base, nullptr, {}}, *o.xlsx, ado_print,
                              ado_cbo);

    const RunRequest request{f, check.dates, o.base, o.print_date.value_or(today())};
    const RunResult result = select_data(request, ado_print, ado_cbo, progress);
    switch (result.outcome) {
        case RunOutcome::NoData:
            message(result.message);
            return kExitNoData;
        case RunOutcome::Refused:
            message(result.message);
            return kExitRefused;
        case RunOutcome::Written:
            break;
    }

    if (o.show) {
        StringSink sink;
        if (o.page <= 1) {
            read_first_page(*result.report, sink);
        } else {
            show_page(*result.report, o.page, sink);
        }
        write_out(sink.text());
    }
    if (o.direct_print()) {
        const int printed = print_written_report(PrintRequest{
            o.base, std::string(kHandOverFileName), result.pages, o.pdf, result.report});
        if (printed != kExitDone) return printed;
    }
    return o.find ? print_matches(o.base, *o.find, result.report) : kExitDone;
}

}  // namespace

int cmd_report(const Args& args) {
    const ParsedOptions parsed = parse_report_options(args);
    if (!parsed.options) {
        message("zol5300 report: " + parsed.error);
        print_usage("report", stderr);
        return kExitRefused;
    }
    try {
        return run(*parsed.options);
    } catch (const DbError& e) {
        message(std::string("資料庫錯誤: ") + e.what());
    } catch (const ReportError& e) {
        message(std::string("報表檔錯誤: ") + e.what());
    } catch (const std::filesystem::filesystem_error& e) {
        // A folder listing or a file operation outside the report and the database.
        const std::string where = e.path1().empty() ? "" : "：" + e.path1().string();
        message("檔案系統錯誤" + where + "（" + errno_text(e.code().value()) + "）");
    } catch (const std::exception& e) {
        message(std::string("錯誤: ") + e.what());
    }
    return kExitFailed;
}

}  // namespace zol::app
