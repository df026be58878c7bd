// Printing a written report from the command line: the hand-over that 列印 makes.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "report/held_report.h"

namespace zol::app {

struct PrintRequest {
    std::string base_path;
    std::string file_name;  // "rep_5300.txt", as handed to the paging module
    int pages = 0;
    std::optional<std::string> pdf;            // a PDF file instead of the default printer
    std::shared_ptr<const HeldReport> report;  // the file the run wrote, when there was a run
};

// Prints every page; returns the exit code of the command (0 printed, 4 failed).
int print_written_report(const PrintRequest& request);

}  // namespace zol::app
