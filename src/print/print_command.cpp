#include "print/print_command.h"

#include <QGuiApplication>
#include <memory>

#include "core/numbers.h"
#include "print/pdf_device.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/printer_device.h"
#include "print/printm.h"

namespace zol::print {
namespace {

// Fonts and printers need a QGuiApplication; a command-line run has none of its own.
std::unique_ptr<QGuiApplication> ensure_application() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zol5300";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

void print_report_file(std::string_view base_path, std::string_view file_name, int pages,
                       const std::optional<std::string>& pdf_path, const HeldReport* report) {
    const auto app = ensure_application();
    install_font_substitutions();
    find_time_zone();
    const DeviceFactory factory =
        pdf_path ? pdf_device_factory(QString::fromStdString(*pdf_path)) : printer_device_factory();
    if (!report) {
        PrintState state;
        print_report(state, base_path, file_name, pages, kReportPaper, kReportFirstPage,
                     kReportOrientation, factory);
        return;
    }
    print_held_pages(*report, pages, kReportFirstPage, pages, factory);
}

void print_held_pages(const HeldReport& report, int pages, int from, int to,
                      const DeviceFactory& factory) {
    PrintState state;
    state.orientation = kReportOrientation;
    state.paper_name = kReportPaper;
    state.total_pages = pages;
    state.report_path = report.path().string();
    state.print_from = from;
    state.print_to = to;
    print_pages(state, report, factory);
}

}  // namespace zol::print
