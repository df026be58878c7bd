// Printing a written report without a window (zol5300 report --print / --pdf).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace zol::print
