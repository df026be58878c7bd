// The options of `zol5300 report BASE [options]`, read from the command line. Every
// value is made valid UTF-8 on the way in, as a window field would hold it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/zol5300/commands.h"
#include "core/date.h"

namespace zol::app {

struct ReportOptions {
    std::string base;
    std::optional<std::string> tranday;
    std::optional<std::string> tranday2;
    std::optional<std::string> payday1;
    std::optional<std::string> payday2;
    std::string grade, class1, class2, seat1, seat2, stdno1, stdno2, preway, paystas;
    // Absent: 全部. Present: the boxes 轉帳/臨櫃/現金 given ("1", "2", "3").
    std::optional<std::vector<std::string>> methods;
    // Absent: 全部. Present: the partial option with these ids selected.
    std::optional<std::vector<std::string>> groups;
    std::optional<std::vector<std::string>> items;
    std::optional<std::vector<std::string>> statuses;
    bool merged = false;
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
// A pay date as typed into the masked box "###/##/##": its digits fill the positions in
// turn, anything else is refused, what is left shows "_" ("10" -> "10_/__/__").
std::string masked_box_text(std::string_view typed);
// "1, 2,,3" -> {"1", "2", "3"}: pieces trimmed, empty pieces dropped.
std::vector<std::string> split_list(std::string_view text);

}  // namespace zol::app
