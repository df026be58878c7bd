// Printing a written report without a window (zol5300 report --print / --pdf).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "print/print_device.h"
#include "report/held_report.h"

namespace zol::print {

// Prints pages 1 to `pages` of base_path & "/RPT/" & file_name on A4 landscape, exactly as
// the program's direct print does: on the default printer, or into the PDF file `pdf_path`.
// Makes the Qt application object it needs when there is none (offscreen without a
// display). Throws PrintError.
// `report`, when given, is the file the run wrote, held open: printed in place of what
// carries the name.
void print_report_file(std::string_view base_path, std::string_view file_name, int pages,
                       const std::optional<std::string>& pdf_path,
                       const HeldReport* report = nullptr);

// Pages from..to of a held report of `pages` pages, on A4 landscape as the direct print lays
// them out, on a device made by `factory` (a PDF file, a printer queue). Throws PrintError.
void print_held_pages(const HeldReport& report, int pages, int from, int to,
                      const DeviceFactory& factory);

}  // namespace zol::print
