// Zol5300P1: started by the package's menu program with "a/b/c"; shows the query window.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "core/numbers.h"
#include "core/package_path.h"
#include "print/print_fonts.h"
#include "print/print_state.h"
#include "print/printer_device.h"
#include "print/printm.h"
#include "ui/chinese_platform.h"
#include "ui/query_window.h"
#include "ui/query_window_args.h"
#include "ui/show_preview.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Zol5300P1 %s\n", ZOL_VERSION);
        return 0;
    }
    // The package folder comes from the path the program was started by, not from where the
    // file really lies: BASE/exe/Zol5300P1 may be a link into the installed programs.
    std::string program_folder = zol::program_folder_from_argv0(argc > 0 ? argv[0] : "");
    QApplication app(argc, argv);
    if (program_folder.empty())
        program_folder = QCoreApplication::applicationDirPath().toStdString();
    QCoreApplication::setApplicationName(QStringLiteral("Zol5300P1"));

    // The command line as one text, as the menu program wrote it.
    QStringList words = QCoreApplication::arguments();
    if (!words.isEmpty()) words.removeFirst();
    const auto args = zol::parse_command_line(words.join(QLatin1Char(' ')).toStdString());
    if (!args) return 0;

    zol::install_font_substitutions();
    zol::use_traditional_chinese(app);
    const std::string base_path = zol::base_path_from_folder(program_folder);

    // The paging module's settings live as long as the program.
    zol::print::PrintState print_state;
    zol::QueryWindowHooks hooks;
    // The preview window beside the query window, kept between runs.
    zol::PreviewHost preview(print_state, base_path);
    hooks.show_preview = [&](const std::string& file_name, int pages) {
        preview.show_preview(file_name, pages, "A4", 1, zol::print::kLandscape);
    };
    hooks.hand_over_run = [&](const zol::XlsxSource& source) { preview.hand_over_run(source); };
    hooks.run_in_progress = [&](bool running) { preview.run_in_progress(running); };
    hooks.print_report = [&](const std::string& file_name, int pages) {
        // A4, from page 1, landscape; a failure reaches the window as a message.
        zol::print::print_report(print_state, base_path, file_name, pages, "A4", 1,
                                 zol::print::kLandscape, zol::print::printer_device_factory());
    };

    zol::ZOL5300F1 window(base_path, *args, std::move(hooks));
    if (!window.Form_Load()) return 1;
    window.show();
    return app.exec();
}
