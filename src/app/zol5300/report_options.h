// The options of `zol5300 report BASE [options]`, read from the command line. Every
// value is made valid UTF-8 on the way in, as a window field would hold it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/zol5300/commands.h"
#include "core/date.h"
#include "query/filter_lists.h"

namespace zol::app {

struct ReportOptions : FilterChoices {
    std::string base;
    bool sql = false;
    bool print = false;
    bool yes = false;
    bool show = false;
    bool no_cache = false;  // Jet tables read afresh for this run only, the cache left alone
    int page = 1;
    std::optional<std::string> pdf;
    // Writes the run's rows as a workbook instead of the report file.
    std::optional<std::string> xlsx;
    std::optional<DateTime> print_date;
    // Prints the lines of the written report that hold this text.
    std::optional<std::string> find;

    // A run from 列印 rather than 預覽列印.
    bool direct_print() const { return print || pdf.has_value(); }
};

struct ParsedOptions {
    std::optional<ReportOptions> options;
    std::string error;  // set when options is empty
};

ParsedOptions parse_report_options(const Args& args);

// Invalid UTF-8 sequences replaced by U+FFFD.
std::string valid_utf8(std::string_view text);
// "1, 2,,3" -> {"1", "2", "3"}: pieces trimmed, empty pieces dropped.
std::vector<std::string> split_list(std::string_view text);

}  // namespace zol::app
