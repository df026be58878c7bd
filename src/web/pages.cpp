#include "web/pages.h"

#include "core/text.h"

namespace zol::web {

namespace {

std::string page(std::string_view title, std::string_view body) {
    return html_page(title, {}, body);
}

}  // namespace

std::string html_page(std::string_view title, std::string_view body_attributes,
                      std::string_view body) {
    return cat("<!DOCTYPE html>\n<html lang=\"zh-Hant-TW\">\n<head>\n<meta charset=\"utf-8\">\n",
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n",
               "<title>", html_escape(title), " － 繳費明細表列印</title>\n",
               "<link rel=\"stylesheet\" href=\"/static/style.css\">\n</head>\n<body",
               body_attributes, ">\n", body, "</body>\n</html>\n");
}

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string login_page(std::string_view message, std::string_view name) {
    const std::string note = message.empty() ? std::string{}
                                             : cat("<p class=\"message\" role=\"alert\">",
                                                   html_escape(message), "</p>\n");
    return page(
        "登入",
        cat("<main class=\"login\">\n<h1>繳費明細表列印</h1>\n", note,
            "<form method=\"post\" action=\"/login\">\n", "<label for=\"user\">帳號</label>\n",
            "<input id=\"user\" name=\"user\" autocomplete=\"username\" required "
            "maxlength=\"32\" value=\"",
            html_escape(name), "\" autofocus>\n", "<label for=\"password\">密碼</label>\n",
            "<input id=\"password\" name=\"password\" type=\"password\" "
            "autocomplete=\"current-password\" required>\n",
            "<button type=\"submit\">登入</button>\n</form>\n</main>\n"));
}

std::string message_page(int status, std::string_view message) {
    const std::string back =
        status == 401 ? "<a href=\"/login\">登入</a>" : "<a href=\"/\">回首頁</a>";
    return page("無法處理", cat("<main>\n<h1>無法處理這個要求</h1>\n<p class=\"message\">",
                                html_escape(message), "</p>\n<p>", back, "</p>\n</main>\n"));
}

std::string_view status_message(int status) {
    switch (status) {
        case 400:
            return "要求的格式不對。";
        case 401:
            return "請先登入。";
        case 403:
            return "這個表單已失效，請重新整理頁面後再試一次。";
        case 404:
            return "找不到這個頁面。";
        case 405:
            return "這個頁面不接受這種要求。";
        case 408:
            return "要求傳送得太慢，連線已中止。";
        case 411:
            return "要求缺少內容長度。";
        case 413:
            return "要求的內容太大。";
        case 414:
            return "網址太長。";
        case 415:
            return "表單的格式不對。";
        case 416:
            return "要求的範圍不對。";
        case 429:
            return "嘗試次數過多，請稍後再試。";
        case 431:
            return "要求的標頭太大。";
        default:
            return status >= 500 ? "伺服器無法完成這個要求。" : "無法處理這個要求。";
    }
}

}  // namespace zol::web
