// The preview window as a web page: the report's pages one at a time, with the page box,
// paging, find, zoom, and the report out of the page as PDF, workbook or text file.
#pragma once

#include <string>
#include <string_view>

namespace zol::web {

struct PreviewPageData {
    std::string user;
    std::string csrf;
    std::string run;  // the run's id
    int pages = 0;
    int page = 1;
    std::string text;  // the page's screen text
    bool server_prints = false;
};

std::string preview_page(const PreviewPageData& data);

}  // namespace zol::web
