// Zol5300P1: started by the package's menu program with "a/b/c"; shows the query window.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "core/numbers.h"
#include "core/package_path.h"
#include "data/sqlite_temp.h"
#include "print/pdf_device.h"
#include "print/print_fonts.h"
#include "print/print_state.h"
#include "print/printer_device.h"
#include "print/printm.h"
#include "ui/chinese_platform.h"
#include "ui/program_identity.h"
#include "ui/query_window.h"
#include "ui/query_window_args.h"
#include "ui/readable_palette.h"
#include "ui/show_preview.h"

namespace {

constexpr const char* kUsage =
    "用法：BASE/exe/Zol5300P1 a/b/c\n"
    "繳費明細表列印的查詢視窗：選擇收款日期、群組、年級、班級、學生、繳費方式與繳費項目，\n"
    "預覽、列印或另存郵政轉帳\\臨櫃明細表。\n"
    "\n"
    "a/b/c 是選單程式交給本程式的三個啟動欄位，離開時原樣交還；沒有參數時程式立即結束。\n"
    "套件資料夾 BASE 取自啟動的路徑：讀取 BASE/mdb/ZOL.mdb，寫出 BASE/rpt/rep_5300.TXT。\n"
    "「離開 E」啟動 BASE/exe/Zol0000P1（選單程式）並結束；資料夾中沒有選單程式時直接結束。\n"
    "\n"
    "  --help      顯示這段說明\n"
    "  --version   顯示版本\n"
    "\n"
    "完整說明：man Zol5300P1。\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they need no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Zol5300P1 %s\n", ZOL_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // The package folder comes from the path the program was started by, not from where the
    // file really lies: BASE/exe/Zol5300P1 may be a link into the installed programs.
    std::string program_folder = zol::program_folder_from_argv0(argc > 0 ? argv[0] : "");
    const zol::SqliteTempFolder sqlite_temp;
    QApplication app(argc, argv);
    if (program_folder.empty())
        program_folder = QCoreApplication::applicationDirPath().toStdString();
    zol::use_program_identity();
    const zol::ReadablePalette readable_palette(app);

    // The command line as one text, as the menu program wrote it.
    QStringList words = QCoreApplication::arguments();
    if (!words.isEmpty()) words.removeFirst();
    const auto args = zol::parse_command_line(words.join(QLatin1Char(' ')).toStdString());
    if (!args) return 0;

    zol::install_font_substitutions();
    zol::print::find_time_zone();
    zol::use_traditional_chinese(app);
    const std::string base_path = zol::base_path_from_folder(program_folder);

    // The paging module's settings live as long as the program.
    zol::print::PrintState print_state;
    zol::QueryWindowHooks hooks;
    // The preview window beside the query window, kept between runs.
    zol::PreviewHost preview(print_state, base_path);
    hooks.show_preview = [&](const std::string& file_name, int pages) {
        preview.show_preview(file_name, pages, zol::print::kReportPaper,
                             zol::print::kReportFirstPage, zol::print::kReportOrientation);
    };
    hooks.hand_over_run = [&](const zol::XlsxSource& source) { preview.hand_over_run(source); };
    hooks.run_in_progress = [&](bool running) { preview.run_in_progress(running); };
    hooks.print_report = [&](const std::string& file_name, int pages) {
        // A failure reaches the window as a message.
        zol::print::print_report(print_state, base_path, file_name, pages, zol::print::kReportPaper,
                                 zol::print::kReportFirstPage, zol::print::kReportOrientation,
                                 zol::print::printer_device_factory());
    };

    zol::ZOL5300F1 window(base_path, *args, std::move(hooks));
    if (!window.Form_Load()) return 1;
    window.show();
    return app.exec();
}
