#include "app/zol5300/report_print.h"

#include <cstdio>

#include "app/zol5300/commands.h"
#include "print/print_command.h"
#include "print/print_error.h"

namespace zol::app {

int print_written_report(const PrintRequest& request) {
    try {
        print::print_report_file(request.base_path, request.file_name, request.pages, request.pdf,
                                 request.report.get());
    } catch (const print::PrintError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace zol::app
