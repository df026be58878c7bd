#include "web/preview_page.h"

#include "core/text.h"
#include "web/pages.h"
#include "web/query_page.h"

namespace zol::web {

namespace {

std::string button(std::string_view id, std::string_view caption, std::string_view tip) {
    return cat("<button type=\"button\" id=\"", id, "\" title=\"", html_escape(tip), "\">",
               html_escape(caption), "</button>");
}

}  // namespace

std::string preview_page(const PreviewPageData& d) {
    const std::string pages = std::to_string(d.pages);
    const std::string bar = cat(
        "<div class=\"bar\" role=\"toolbar\" aria-label=\"預覽\">\n<div class=\"group\">"
        "<span>總頁數</span><output id=\"LBL_TOTPAGE\">",
        pages, "</output></div>\n<div class=\"group\">",
        button("CMD_FIRSTPAGE", "第一頁", "第一頁（Ctrl+Home）"),
        button("CMD_PREPAGE", "上一頁", "上一頁（在頁首按 PageUp）"),
        "<label for=\"LAB_NOWSPAGE\">目前頁數:</label><input id=\"LAB_NOWSPAGE\" class=\"page\" "
        "inputmode=\"numeric\" value=\"",
        std::to_string(d.page), "\">",
        button("CMD_NEXTPAGE", "下一頁", "下一頁（在頁尾按 PageDown）"),
        button("CMD_LASTPAGE", "最後頁", "最後一頁（Ctrl+End）"),
        "</div>\n<div class=\"group\"><label for=\"TXT_PRIBEGIN\">選印區間</label>"
        "<input id=\"TXT_PRIBEGIN\" class=\"page\" inputmode=\"numeric\" value=\"1\" "
        "title=\"要列印的第一頁（列印、PDF、Excel 都依選印區間）\"><span>－</span>"
        "<input id=\"TXT_PRIEND\" class=\"page\" inputmode=\"numeric\" value=\"",
        pages, "\" title=\"要列印的最後一頁\" aria-label=\"選印區間（至）\">",
        button("CMD_PRINT", "列印",
               d.server_prints ? "把選印區間的頁面印到伺服器的印表機"
                               : "把選印區間的頁面做成 PDF 給瀏覽器列印"),
        button("CMD_PDF", "PDF", "把選印區間的頁面另存為 PDF 檔"),
        button("CMD_EXCEL", "Excel", "把選印區間內的學生另存為 Excel 活頁簿"),
        button("CMD_TEXT", "文字檔", "下載整份報表檔（Big5）"),
        "</div>\n<div class=\"group\"><label for=\"find_text\">尋找</label>"
        "<input id=\"find_text\" class=\"find\" type=\"search\" title=\"Ctrl+F；Enter 找下一個，"
        "Shift+Enter 找上一個\">",
        button("find_next", "下一個", "找下一個（Enter）"),
        button("find_prev", "上一個", "找上一個（Shift+Enter）"),
        "<output id=\"find_note\" class=\"find-note\" aria-live=\"polite\"></output></div>\n"
        "<div class=\"group\">",
        button("zoom_out", "縮小", "縮小（Ctrl+減號）"),
        button("zoom_fit", "符合寬度", "整頁寬度符合視窗"),
        button("zoom_in", "放大", "放大（Ctrl+加號）"),
        button("CMD_EXCAPE", "關閉預覽", "回到查詢畫面（Esc）"), "</div>\n</div>\n");
    return html_page(
        cat("預覽 第 ", std::to_string(d.page), " 頁"),
        cat(" class=\"preview\" data-csrf=\"", html_escape(d.csrf), "\" data-run=\"", d.run,
            "\" data-pages=\"", pages, "\" data-page=\"", std::to_string(d.page), "\"",
            d.server_prints ? " data-server-prints=\"1\"" : ""),
        cat(page_header(d.user, d.csrf), "<main class=\"preview\">\n", bar,
            "<div class=\"sheet\"><pre class=\"page\" id=\"PREPRINT_TEXT\" tabindex=\"0\" "
            "aria-label=\"報表頁面\">",
            html_escape(d.text), "</pre></div>\n</main>\n",
            "<script src=\"/static/preview.js\"></script>\n"));
}

}  // namespace zol::web
