// Reads the report file back as pages: the screen text of a page for the preview.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "report/held_report.h"
#include "report/text_sink.h"

namespace zol {

// Page 1 through the first-page filter; the sink is emptied, filled line by line and
// never hidden. Throws ReportError, before touching the sink, when the file cannot be
// opened.
void read_first_page(const std::filesystem::path& path, TextSink& sink);

// Page `page` (a number below 2 reads page 1) through the page filter: the sink is
// emptied and hidden, filled line by line, and shown again, also when reading fails.
// A page beyond the last FF line gives an empty text. Throws ReportError, before touching
// the sink, when the file cannot be opened.
void show_page(const std::filesystem::path& path, int page, TextSink& sink);

// The same two on a held report (never on what now carries its name).
void read_first_page(const HeldReport& report, TextSink& sink);
void show_page(const HeldReport& report, int page, TextSink& sink);
// The screen text of the page that begins at byte `start` of a held report (just after an FF
// line, or 0), through the first-page filter or the page filter; the sink is only appended to.
void filter_page_at(const HeldReport& report, off_t start, bool first_page, TextSink& sink);

}  // namespace zol
