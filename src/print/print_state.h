// The state of the paging module PRINTM, shared by the preview and the printer. It lives as
// long as its owner (the program keeps one for its whole run); nothing of it is saved.
#pragma once

#include <cstdint>
#include <string>

namespace zol::print {

struct PrintState {
    // base_path & "/RPT/" & file name, as handed over; resolved when it is opened.
    std::string report_path;
    // Page numbers are 32-bit: a large school's report of many dates has more pages than a
    // 16-bit number holds.
    std::int32_t total_pages = 0;
    std::int32_t current_page = 0;
    std::string paper_name;
    // 1 portrait, 2 landscape.
    std::int16_t orientation = 0;
    std::int32_t print_from = 0;
    std::int32_t print_to = 0;
    // Twips the print position moves back up after every printed text line.
    std::int16_t line_pullback = 0;
    // Print position kept around a picture, in twips.
    std::int16_t saved_y = 0;

    // Whether the chosen range print_from..print_to holds a page of a report of `pages`
    // pages: an export or a print of none writes nothing.
    bool range_has_pages(std::int32_t pages) const {
        return print_from <= print_to && print_to >= 1 && print_from <= pages;
    }
};

}  // namespace zol::print
