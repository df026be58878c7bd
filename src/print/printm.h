// PRINTM's printing: a report file put on a print device page by page, its control lines
// carried out (font size, bold, line spacing, page break, picture).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "print/print_device.h"
#include "print/print_state.h"
#include "report/held_report.h"

namespace zol::print {

// The printer paper-size code of a paper name: "A4" 9, "A5" 11, "B5" 13, anything else 9.
int paper_code(std::string_view paper_name);

// Stores the settings in `state` and prints pages first_page .. total_pages of
// base_path & "/RPT/" & file_name. Throws PrintError (see print_pages).
void print_report(PrintState& state, std::string_view base_path, std::string_view file_name,
                  std::int32_t total_pages, std::string_view paper_name, std::int32_t first_page,
                  std::int16_t orientation, const DeviceFactory& make_device);

// Prints the pages print_from .. print_to of state.report_path as one job on a device made
// by `make_device`. Pages outside the range are read and dropped with their control lines.
// When the printed pages reach beyond the device's printable area (widest line, longest
// page) the whole job is scaled down uniformly to fit; at full size when it fits.
// Throws PrintError with the description of the failure (file cannot be opened, no printer,
// the printer refuses the job or cannot take the paper); the report file is closed by then and the
// job dropped.
void print_pages(PrintState& state, const DeviceFactory& make_device);
// The same on a held report (never on what now carries its name).
void print_pages(PrintState& state, const HeldReport& report, const DeviceFactory& make_device);

// Paper, font name and orientation of the device from `state`; the pull-back back to 0.
void setup_printer(PrintState& state, PrintDevice& device);

// One line of the report file (Big5 bytes, with its CR LF): a control line is carried out,
// any other line printed.
void print_line(PrintState& state, PrintDevice& device, std::string_view line);

// The picture of the ESC 4 1 line, scaled into its box.
void print_picture(PrintDevice& device);

}  // namespace zol::print
