// The query window as a web page: its fields with their captions, in the window's order and
// grouping, filled from the same lists.
#pragma once

#include <string>
#include <vector>

#include "query/list_queries.h"

namespace zol::web {

struct QueryPageData {
    std::string user;
    std::string csrf;
    std::vector<std::string> trandays;  // the collection-date list, newest first
    std::vector<PickEntry> statuses;    // all selected at first
    std::vector<PickEntry> items;       // all selected at first
    // Why the lists could not be read (the page is shown with empty lists); empty when read.
    std::string problem;
    // 列印 prints on the server's printer rather than handing the browser a PDF.
    bool server_prints = false;
};

std::string query_page(const QueryPageData& data);

// The header every logged-in page has: the program's name, the clerk, and logging out.
std::string page_header(std::string_view user, std::string_view csrf);

}  // namespace zol::web
