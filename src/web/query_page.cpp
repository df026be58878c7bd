#include "web/query_page.h"

#include "core/text.h"
#include "query/window_fields.h"
#include "web/json.h"
#include "web/pages.h"
#include "web/web_font.h"

namespace zol::web {

namespace {

namespace f = fields;

std::string label(std::string_view for_id, std::string_view text) {
    return cat("<label for=\"", for_id, "\">", html_escape(text), "</label>\n");
}

std::string options(const std::vector<std::string>& texts, bool empty_first) {
    std::string out = empty_first ? "<option value=\"\"></option>" : "";
    for (const std::string& t : texts)
        out += cat("<option value=\"", html_escape(t), "\">", html_escape(t), "</option>");
    return out;
}

std::string pick_options(const std::vector<PickEntry>& entries, bool selected) {
    std::string out;
    for (const PickEntry& e : entries)
        out += cat("<option value=\"", html_escape(e.id), "\"", selected ? " selected" : "", ">",
                   html_escape(e.text), "</option>");
    return out;
}

// An editable combo: a text box with the list it offers.
std::string combo(std::string_view id, std::string_view extra,
                  const std::vector<std::string>& list) {
    return cat("<input id=\"", id, "\" name=\"", id, "\" list=\"", id,
               "_list\" autocomplete=\"off\" ", extra, "><datalist id=\"", id, "_list\">",
               options(list, false), "</datalist>");
}

std::string text_box(std::string_view id, std::string_view extra) {
    return cat("<input id=\"", id, "\" name=\"", id, "\" autocomplete=\"off\" ", extra, ">");
}

std::string check(std::string_view id, std::string_view caption, bool on) {
    return cat("<label><input type=\"checkbox\" id=\"", id, "\"", on ? " checked" : "", "> ",
               html_escape(caption), "</label>");
}

std::string option(std::string_view id, std::string_view group, std::string_view value,
                   std::string_view caption, bool on) {
    return cat("<label><input type=\"radio\" id=\"", id, "\" name=\"", group, "\" value=\"", value,
               "\"", on ? " checked" : "", "> ", html_escape(caption), "</label>");
}

// A 全部 / 選擇部分 pair over its list; the list is usable only while 全部 is off.
std::string choice(std::string_view frame, std::string_view all_id, std::string_view some_id,
                   std::string_view group, std::string_view some_caption, std::string_view title,
                   std::string_view list_id, const std::string& list_options, int rows) {
    return cat("<fieldset class=\"choice\" id=\"", frame, "\"><legend class=\"title\">",
               html_escape(title), "</legend>\n<div class=\"options\">",
               option(all_id, group, "1", f::kAll, true),
               option(some_id, group, "2", some_caption, false), "</div>\n<select id=\"", list_id,
               "\" multiple size=\"", std::to_string(rows), "\" disabled aria-label=\"",
               html_escape(title), "\">", list_options, "</select>\n</fieldset>\n");
}

std::vector<std::string> texts(const auto& items) {
    std::vector<std::string> out;
    for (const char* s : items) out.emplace_back(s);
    return out;
}

// The tab order and the key rules, for the page's script.
std::string field_data() {
    std::vector<std::string> order(f::kTabOrder.begin(), f::kTabOrder.end());
    JsonObject rules;
    for (const f::KeyRule& r : f::kKeyRules) {
        const char* filter = r.filter == f::KeyFilter::PickOnly ? "pick"
                             : r.filter == f::KeyFilter::Digits ? "digits"
                                                                : "none";
        rules.raw(r.field, JsonObject()
                               .text("filter", filter)
                               .text("lowest", std::string(1, r.lowest_digit))
                               .number("max", r.max_length)
                               .str());
    }
    return cat(" data-tab-order=\"", html_escape(json_array(order)), "\" data-key-rules=\"",
               html_escape(rules.str()), "\" data-seat-limit=\"", std::to_string(f::kSeatLimit),
               "\" data-seat-message=\"", html_escape(f::kMsgSeatLimit), "\"");
}

}  // namespace

std::string page_header(std::string_view user, std::string_view csrf) {
    return cat("<header>\n<h1>", html_escape(f::kProgramName),
               "</h1>\n<div class=\"who\"><span class=\"user\">", html_escape(user),
               "</span>\n<form method=\"post\" action=\"/logout\" id=\"logout\">",
               "<input type=\"hidden\" name=\"csrf\" value=\"", html_escape(csrf), "\">",
               "<button type=\"submit\">登出</button></form></div>\n</header>\n");
}

std::string query_page(const QueryPageData& d) {
    const std::string problem = d.problem.empty() ? std::string{}
                                                  : cat("<p class=\"message\" role=\"alert\">",
                                                        html_escape(d.problem), "</p>\n");
    const std::string to = cat("<span>", html_escape(f::kTo), "</span>");
    const std::string digits = "inputmode=\"numeric\" lang=\"en\"";
    const std::string filters = cat(
        "<fieldset class=\"filters\" id=\"fra_00\"><legend>", html_escape(f::kFrame), "</legend>\n",
        label("CBO_TranDay", f::kTranDay), "<div class=\"range\"><select id=\"CBO_TranDay\">",
        options(d.trandays, true), "</select>", to,
        "<select id=\"CBO_TranDay2\" aria-label=\"收款日期（至）\">", options(d.trandays, true),
        "</select></div>\n", label("Msk_payday1", f::kPayday), "<div class=\"range\">",
        text_box("Msk_payday1", digits + " maxlength=\"9\" placeholder=\"___/__/__\""), to,
        text_box(
            "Msk_payday2",
            digits +
                " maxlength=\"9\" placeholder=\"___/__/__\" aria-label=\"實(扣)繳日期（至）\""),
        "</div>\n", label("CBO_Grade", f::kGrade), "<div class=\"range\">",
        combo("CBO_Grade", digits + " class=\"short\"", texts(kGradeTexts)), "</div>\n",
        label("CBO_ClsID", f::kClass), "<div class=\"range\">",
        combo("CBO_ClsID", digits + " class=\"short\"", {}), to,
        combo("CBO_ClsID2", digits + " class=\"short\" aria-label=\"班別（至）\"", {}), "</div>\n",
        label("CBO_SeatNo1", f::kSeat), "<div class=\"range\">",
        combo("CBO_SeatNo1", digits + " class=\"short\"", {}), to,
        combo("CBO_SeatNo2", digits + " class=\"short\" aria-label=\"座號（至）\"", {}), "</div>\n",
        label("Txt_StdNo1", f::kStdNo), "<div class=\"range\">",
        text_box("Txt_StdNo1", "maxlength=\"10\""), to,
        text_box("Txt_StdNo2", "maxlength=\"10\" aria-label=\"學號（至）\""), "</div>\n",
        "<span class=\"label\">", html_escape(f::kMethods), "</span><div class=\"checks\">",
        check("Chk_1", f::kTransfer, true), check("Chk_2", f::kCounter, true),
        check("Chk_3", f::kCash, true), check("Chk_4", f::kAllMethods, true), "</div>\n",
        label("CBO_paystas", f::kPaystas), "<div class=\"range\">",
        combo("CBO_paystas", "", texts(kPaystasItems)), "</div>\n", label("CBO_preway", f::kPreway),
        "<div class=\"range\">", combo("CBO_preway", "", texts(kPrewayItems)),
        check("Chk_ALL", f::kMerged, false), "</div>\n",
        choice("statuses", "Opt1", "Opt2", "Opt_status", f::kSomeStatuses, f::kStatuses,
               "Lst_status", pick_options(d.statuses, true), 5),
        "</fieldset>\n");
    const std::string choices =
        cat("<div class=\"choices\">\n",
            choice("Frame1", "Opt_group1", "Opt_group2", "Opt_group", f::kSomeGroups, f::kGroups,
                   "Lst_group", "", 6),
            choice("Frame3", "Opt_item1", "Opt_item2", "Opt_item", f::kSomeItems, f::kItems,
                   "Lst_item", pick_options(d.items, true), 8),
            "</div>\n");
    const auto button = [](std::string_view id, std::string_view caption, std::string_view key) {
        return cat("<button type=\"button\" id=\"", id, "\" aria-keyshortcuts=\"Alt+", key, "\">",
                   html_escape(caption), "</button>");
    };
    const std::string commands =
        cat("<div class=\"commands\" id=\"Frame2\">", button("Cmd_print", f::kPrint, "P"),
            button("Cmd_preprint", f::kPreprint, "Z"), button("Cmd_clear", f::kClear, "X"),
            button("Cmd_exit", f::kExit, "E"), "</div>\n");
    return html_page(
        "查詢",
        cat(" class=\"query\" data-csrf=\"", html_escape(d.csrf), "\"",
            d.server_prints ? " data-server-prints=\"1\"" : "", field_data()),
        cat(page_header(d.user, d.csrf), "<main>\n", problem,
            "<form class=\"query-form\" id=\"query\" autocomplete=\"off\">\n", filters, choices,
            commands, "</form>\n<div id=\"progress\" role=\"status\" aria-live=\"polite\" hidden>",
            "<p id=\"progress_text\"></p><progress id=\"progress_bar\" max=\"1\"></progress>",
            "<p id=\"progress_link\"></p>",
            "<button type=\"button\" id=\"progress_cancel\">取消</button></div>\n</main>\n",
            "<script src=\"/static/query.js\"></script>\n",
            // The preview's font, fetched while the clerk fills the fields.
            "<link rel=\"prefetch\" href=\"", kWebFontPath, "\" as=\"font\" crossorigin>\n"));
}

}  // namespace zol::web
