#include "web/report_routes.h"

#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <charconv>
#include <climits>

#include "core/numbers.h"
#include "core/text.h"
#include "data/data_control.h"
#include "data/db_error.h"
#include "print/pdf_device.h"
#include "print/print_command.h"
#include "print/print_device.h"
#include "print/print_error.h"
#include "print/print_state.h"
#include "print/printer_device.h"
#include "query/filter_lists.h"
#include "query/list_queries.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/report_run.h"
#include "report/text_sink.h"
#include "web/json.h"
#include "web/pages.h"
#include "web/preview_page.h"
#include "web/query_page.h"
#include "web/report_job.h"

namespace zol::web {

namespace {

using httplib::Request, httplib::Response;

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";
// No field of the window holds more; a longer value is no clerk's typing.
constexpr std::size_t kMaxField = 64;
// The ids of a list's chosen entries: the status list holds at most 1000.
constexpr std::size_t kMaxListField = 32 * 1024;

class BadRequest : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void json_reply(Response& res, int status, const std::string& body) {
    res.status = status;
    res.set_content(body, kJson);
}

void json_refuse(Response& res, int status, std::string_view message) {
    json_reply(res, status, JsonObject().text("message", message).str());
}

void page_refuse(Response& res, int status, std::string_view message) {
    res.status = status;
    res.set_content(message_page(status, message), kHtml);
}

// A query value, "" when absent; refused when it is not short UTF-8.
std::string param(const Request& req, const char* name, std::size_t limit = kMaxField) {
    if (req.get_param_value_count(name) > 1) throw BadRequest(cat("參數 ", name, " 重複。"));
    std::string v = req.get_param_value(name);
    if (v.size() > limit || !valid_utf8(v)) throw BadRequest(cat("參數 ", name, " 不對。"));
    return v;
}

// A whole number of at most nine digits; nullopt for anything else.
std::optional<int> whole_number(std::string_view text) {
    const std::string t = trim(text);
    if (t.empty() || t.size() > 9) return std::nullopt;
    int v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || end != t.data() + t.size() || v < 0) return std::nullopt;
    return v;
}

std::string pick_json(const std::vector<PickEntry>& entries) {
    std::string out = "[";
    for (std::size_t i = 0; i < entries.size(); ++i)
        out += cat(i ? "," : "", "[", json_string(entries[i].text), ",", json_string(entries[i].id),
                   "]");
    return out + "]";
}

// A data control on the package's database, for the lists.
struct ListReader {
    explicit ListReader(const std::filesystem::path& base) {
        control.set_connection_string(package_connection_string(base.string()));
    }
    ResultSet& run(const std::string& sql) {
        control.set_record_source(sql);
        control.refresh();
        return control.result();
    }
    std::vector<std::string> column(const std::string& sql, int field) {
        std::vector<std::string> out;
        for (ResultSet& rows = run(sql); !rows.eof(); rows.move_next())
            out.push_back(rows.field(field).text());
        return out;
    }
    DataControl control;
};

std::string db_message(const std::exception& e) {
    if (const auto* db = dynamic_cast<const DbError*>(&e))
        return std::string("資料庫錯誤: ") + db->what();
    return std::string("錯誤: ") + e.what();
}

// The page's screen text, its lines ended by LF alone as a page shows them.
std::string screen_text(const HeldReport& report, int page) {
    StringSink sink;
    if (page <= 1)
        read_first_page(report, sink);
    else
        show_page(report, page, sink);
    std::string text;
    text.reserve(sink.text().size());
    for (const char c : sink.text())
        if (c != '\r') text += c;
    return text;
}

std::string read_all(int fd) {
    std::string out;
    char buf[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("無法讀取報表檔");
        if (n == 0) return out;
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
}

// Reads a file the run just wrote and removes it.
std::string take_file(const std::filesystem::path& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    std::error_code ec;
    std::filesystem::remove(path, ec);
    if (!fd) throw std::runtime_error("無法讀取剛寫好的檔案");
    return read_all(fd.get());
}

void attach(Response& res, const std::string& name, bool save) {
    res.set_header("Content-Disposition",
                   cat(save ? "attachment" : "inline", "; filename=\"", name, "\""));
}

// The chosen print range ("" for the first or the last page); refused when it is not numbers
// or holds no page. The last page is at most the report's.
std::pair<int, int> print_range(const std::string& from, const std::string& to, int pages) {
    const auto f = from.empty() ? std::optional<int>(1) : whole_number(from);
    const auto t = to.empty() ? std::optional<int>(pages) : whole_number(to);
    if (!f || !t) throw BadRequest("選印區間須為頁碼。");
    print::PrintState state;
    state.print_from = *f;
    state.print_to = *t;
    if (!state.range_has_pages(pages)) throw BadRequest("選印區間內沒有頁面。");
    return {*f, std::min(*t, pages)};
}

std::pair<int, int> print_range(const Request& req, int pages) {
    return print_range(param(req, "from"), param(req, "to"), pages);
}

// The fields of the query page as the window's fields; refused when one is not as the page
// sends it.
FilterChoices choices_of(const Form& form) {
    static const char* const texts[] = {"CBO_TranDay", "CBO_TranDay2", "Msk_payday1", "Msk_payday2",
                                        "CBO_Grade",   "CBO_ClsID",    "CBO_ClsID2",  "CBO_SeatNo1",
                                        "CBO_SeatNo2", "Txt_StdNo1",   "Txt_StdNo2",  "CBO_paystas",
                                        "CBO_preway"};
    const auto get = [&](const char* name, std::size_t limit = kMaxField) -> std::string {
        const auto it = form.find(name);
        if (it == form.end()) return {};
        if (it->second.size() > limit) throw BadRequest(cat("欄位 ", name, " 太長。"));
        return it->second;
    };
    const auto flag = [&](const char* name) {
        const std::string v = get(name);
        if (v != "" && v != "0" && v != "1") throw BadRequest(cat("欄位 ", name, " 不對。"));
        return v == "1";
    };
    const auto some = [&](const char* option) {
        const std::string v = get(option);
        if (v != "" && v != "1" && v != "2") throw BadRequest(cat("欄位 ", option, " 不對。"));
        return v == "2";
    };
    const auto ids = [&](const char* list) {
        std::vector<std::string> out;
        const std::string v = get(list, kMaxListField);
        for (std::size_t start = 0; start < v.size();) {
            const std::size_t end = std::min(v.find('\n', start), v.size());
            if (end > start) out.push_back(v.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    for (const auto& [name, value] : form) {
        static const char* const others[] = {"csrf",      "mode",      "yes",        "Chk_1",
                                             "Chk_2",     "Chk_3",     "Chk_4",      "Chk_ALL",
                                             "Opt_group", "Opt_item",  "Opt_status", "Lst_group",
                                             "Lst_item",  "Lst_status"};
        bool known = false;
        for (const char* t : texts) known = known || name == t;
        for (const char* t : others) known = known || name == t;
        if (!known) throw BadRequest(cat("表單有不認得的欄位 ", name.substr(0, 40), "。"));
    }
    FilterChoices c;
    c.tranday = get("CBO_TranDay");
    c.tranday2 = get("CBO_TranDay2");
    c.payday1 = get("Msk_payday1");
    c.payday2 = get("Msk_payday2");
    c.grade = get("CBO_Grade");
    c.class1 = get("CBO_ClsID");
    c.class2 = get("CBO_ClsID2");
    c.seat1 = get("CBO_SeatNo1");
    c.seat2 = get("CBO_SeatNo2");
    c.stdno1 = get("Txt_StdNo1");
    c.stdno2 = get("Txt_StdNo2");
    c.paystas = get("CBO_paystas");
    c.preway = get("CBO_preway");
    c.merged = flag("Chk_ALL");
    // 全部(包含前三項) stands for all three; without it, the boxes checked.
    if (!flag("Chk_4")) {
        c.methods.emplace();
        for (const auto& [box, code] : {std::pair{"Chk_1", "1"}, {"Chk_2", "2"}, {"Chk_3", "3"}})
            if (flag(box)) c.methods->push_back(code);
    }
    if (some("Opt_group")) c.groups = ids("Lst_group");
    if (some("Opt_item")) c.items = ids("Lst_item");
    if (some("Opt_status")) c.statuses = ids("Lst_status");
    return c;
}

const char* focus_name(FocusControl f) {
    switch (f) {
        case FocusControl::CBO_TranDay:
            return "CBO_TranDay";
        case FocusControl::CBO_TranDay2:
            return "CBO_TranDay2";
        case FocusControl::Msk_payday1:
            return "Msk_payday1";
        case FocusControl::Msk_payday2:
            return "Msk_payday2";
        case FocusControl::CBO_Grade:
            return "CBO_Grade";
        case FocusControl::CBO_ClsID:
            return "CBO_ClsID";
        case FocusControl::CBO_ClsID2:
            return "CBO_ClsID2";
        case FocusControl::CBO_SeatNo1:
            return "CBO_SeatNo1";
        case FocusControl::CBO_SeatNo2:
            return "CBO_SeatNo2";
        case FocusControl::Lst_group:
            return "Lst_group";
        case FocusControl::Lst_status:
            return "Lst_status";
        case FocusControl::None:
            break;
    }
    return "";
}

// A UTF-8 byte offset within `line` as an offset in UTF-16 units, as a page's script counts.
std::size_t utf16_offset(std::string_view line, std::size_t bytes) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < bytes && i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

}  // namespace

ReportRoutes::ReportRoutes(ReportSite site, Gate gate)
    : site_(std::move(site)), gate_(std::move(gate)), runs_(site_.runs) {}

void ReportRoutes::install(httplib::Server& s) {
    // A handler's refusal of a malformed parameter is the clerk's 400, never the server's 500.
    const auto guarded = [](auto handler, bool json) {
        return [handler, json](const Request& req, Response& res) {
            try {
                handler(req, res);
            } catch (const BadRequest& e) {
                if (json)
                    json_refuse(res, 400, e.what());
                else
                    page_refuse(res, 400, e.what());
            }
        };
    };
#define ZOL_ROUTE(method, pattern, fn, json) \
    s.method(pattern, guarded([this](const Request& q, Response& r) { fn; }, json))
    ZOL_ROUTE(Get, "/", query(q, r), false);
    ZOL_ROUTE(Get, R"(/lists/(statuses|groups|classes|seats|payday))", lists(q.matches[1], q, r),
              true);
    ZOL_ROUTE(Post, "/run", start(q, r), true);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64}))", preview(q, r), false);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/status)", status(q, r), true);
    ZOL_ROUTE(Post, R"(/runs/([0-9a-f]{1,64})/cancel)", cancel(q, r), true);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/pages/(\d{1,9}))", page_text(q, r), true);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/find)", find(q, r), true);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/report\.pdf)", pdf(q, r), false);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/report\.xlsx)", xlsx(q, r), false);
    ZOL_ROUTE(Get, R"(/runs/([0-9a-f]{1,64})/report\.txt)", text_file(q, r), false);
    ZOL_ROUTE(Post, R"(/runs/([0-9a-f]{1,64})/print)", print(q, r), true);
#undef ZOL_ROUTE
}

void ReportRoutes::query(const Request& req, Response& res) {
    const auto session = gate_.session(req);
    if (!session) {
        res.status = 303;
        res.set_header("Location", "/login");
        return;
    }
    QueryPageData d;
    d.user = session->user;
    d.csrf = session->csrf;
    d.server_prints = !site_.printer.empty();
    try {
        ListReader lists(site_.base);
        FilterSnapshot f;
        d.trandays = load_tranday_list(lists.control, f);
        d.statuses = read_pick_list(PickList::Status, lists.run(status_list_sql()));
        d.items = read_pick_list(PickList::Item, lists.run(insert_item_sql()));
    } catch (const std::exception& e) {
        d.problem = db_message(e);
    }
    res.set_content(query_page(d), kHtml);
}

void ReportRoutes::lists(const std::string& which, const Request& req, Response& res) {
    const std::string d1 = param(req, "CBO_TranDay"), d2 = param(req, "CBO_TranDay2");
    const std::string grade = param(req, "CBO_Grade"), cls = param(req, "CBO_ClsID");
    const std::string to = param(req, "which");
    try {
        ListReader lists(site_.base);
        if (which == "statuses")
            return json_reply(
                res, 200,
                pick_json(read_pick_list(PickList::Status, lists.run(status_list_sql()))));
        if (which == "groups") {
            // A date the statement cannot take empties the list, as in the window.
            try {
                return json_reply(res, 200,
                                  pick_json(read_pick_list(PickList::Group,
                                                           lists.run(insert_group_sql(d1, d2)))));
            } catch (const std::exception&) {
                return json_reply(res, 200, "[]");
            }
        }
        if (which == "classes") {
            const std::string sql =
                to == "2" ? insert_CBO_ClsID2_sql(grade) : insert_CBO_ClsID_sql(grade);
            return json_reply(res, 200, json_array(lists.column(sql, 0)));
        }
        if (which == "seats") {
            const auto sql =
                to == "2" ? insert_CBO_SeatNo2_sql(grade, cls) : insert_CBO_SeatNo1_sql(grade, cls);
            return json_reply(res, 200, sql ? json_array(lists.column(*sql, 2)) : "[]");
        }
        // The pay-date proposal of the chosen collection dates.
        FilterSnapshot f;
        const std::vector<std::string> dates = load_tranday_list(lists.control, f);
        const auto index = [&](const std::string& text) {
            for (std::size_t i = 0; i < dates.size(); ++i)
                if (dates[i] == text && !text.empty()) return static_cast<int>(i);
            return -1;
        };
        const auto sql = insert_Payday_sql(d1, index(d1), d2, index(d2), f.tranday_values);
        if (!sql) return json_reply(res, 200, "{}");
        ResultSet& rows = lists.run(*sql);
        if (rows.eof()) return json_reply(res, 200, "{}");
        const auto latest = payday_box_text(rows.field(0));
        const auto earliest = payday_box_text(rows.field(1));
        if (!latest || !earliest) return json_reply(res, 200, "{}");
        json_reply(res, 200, JsonObject().text("from", *earliest).text("to", *latest).str());
    } catch (const OverflowError&) {
        json_reply(res, 200, "[]");  // a number the statement cannot hold: no entries
    } catch (const DbError& e) {
        json_refuse(res, 409, db_message(e));
    }
}

void ReportRoutes::start(const Request& req, Response& res) {
    const auto change = gate_.change(req, res);
    if (!change) return;
    const auto mode = change->form.find("mode");
    if (mode == change->form.end() || (mode->second != "preview" && mode->second != "print"))
        throw BadRequest("要求缺少執行方式。");
    const auto yes = change->form.find("yes");
    JobRequest job{site_.base.string(), choices_of(change->form),
                   yes != change->form.end() && yes->second == "1"};
    std::shared_ptr<WebRun> run;
    try {
        run = runs_.add(change->session.token, mode->second == "preview");
    } catch (const std::exception& e) {
        return json_refuse(res, 503, e.what());
    }
    run->start([job = std::move(job)](WebRun& r) { run_report(r, job); });
    json_reply(res, 202, JsonObject().text("run", run->id()).str());
}

std::shared_ptr<WebRun> ReportRoutes::run_of(const Request& req, Response& res, bool json,
                                             bool done) {
    const auto session = gate_.session(req);
    auto run = session ? runs_.find(session->token, req.matches[1].str()) : nullptr;
    if (!run) {
        // Another session's run is no run of this one.
        json ? json_refuse(res, 404, "找不到這份報表，請重新預覽。")
             : page_refuse(res, 404, "找不到這份報表，請重新預覽。");
        return nullptr;
    }
    if (done && run->view().state != RunState::Done) {
        json ? json_refuse(res, 409, "這份報表還沒有完成。")
             : page_refuse(res, 409, "這份報表還沒有完成。");
        return nullptr;
    }
    return run;
}

void ReportRoutes::status(const Request& req, Response& res) {
    const auto run = run_of(req, res, true, false);
    if (!run) return;
    const RunView v = run->view();
    JsonObject o;
    JsonObject trimmed;
    for (const auto& [field, text] : v.trimmed) trimmed.text(field, text);
    switch (v.state) {
        case RunState::Running:
            o.text("state", "running")
                .text("title", kProgressTitle)
                .text("label", v.progress.what.empty() ? std::string() : progress_label(v.progress))
                .text("what", v.progress.what)
                .number("rows", static_cast<std::int64_t>(v.progress.rows))
                .number("done", v.progress.done)
                .number("total", v.progress.total);
            break;
        case RunState::Question:
            o.text("state", "question").text("message", v.message);
            break;
        case RunState::Failed:
            o.text("state", "failed")
                .text("message", v.message)
                .text("focus", focus_name(v.focus))
                .boolean("select_opt_group2", v.select_opt_group2);
            break;
        case RunState::Done:
            o.text("state", "done").number("pages", v.pages);
            break;
    }
    json_reply(res, 200, o.raw("trimmed", trimmed.str()).str());
}

void ReportRoutes::cancel(const Request& req, Response& res) {
    const auto change = gate_.change(req, res);
    if (!change) return;
    if (const auto run = runs_.find(change->session.token, req.matches[1].str())) run->cancel();
    json_reply(res, 200, "{}");
}

void ReportRoutes::preview(const Request& req, Response& res) {
    const auto run = run_of(req, res, false, true);
    if (!run) return;
    // The session may lapse between the two looks.
    const auto session = gate_.session(req);
    if (!session) return page_refuse(res, 401, status_message(401));
    const int pages = run->view().pages;
    const std::string asked = param(req, "page");
    const auto page = asked.empty() ? std::optional<int>(1) : whole_number(asked);
    if (!page) throw BadRequest("頁碼不對。");
    PreviewPageData d{session->user,
                      session->csrf,
                      run->id(),
                      pages,
                      std::clamp(*page, 1, std::max(1, pages)),
                      {},
                      !site_.printer.empty()};
    d.text = screen_text(*run->report(), d.page);
    res.set_content(preview_page(d), kHtml);
}

void ReportRoutes::page_text(const Request& req, Response& res) {
    const auto run = run_of(req, res, true, true);
    if (!run) return;
    const int pages = run->view().pages;
    const auto page = whole_number(req.matches[2].str());
    if (!page || *page < 1 || *page > pages) return json_refuse(res, 404, "沒有這一頁。");
    json_reply(res, 200,
               JsonObject()
                   .number("page", *page)
                   .number("pages", pages)
                   .text("text", screen_text(*run->report(), *page))
                   .str());
}

void ReportRoutes::find(const Request& req, Response& res) {
    const auto run = run_of(req, res, true, true);
    if (!run) return;
    const FindPattern pattern(param(req, "q"));
    if (pattern.empty()) return json_refuse(res, 400, "請輸入要找的文字。");
    FindPlace from;
    const auto page = whole_number(param(req, "page")), line = whole_number(param(req, "line")),
               byte = whole_number(param(req, "byte"));
    if (!page || !line || !byte) throw BadRequest("尋找的起點不對。");
    from = {*page, *line, static_cast<std::size_t>(*byte)};
    const std::string dir = param(req, "dir");
    if (dir != "next" && dir != "previous") throw BadRequest("尋找的方向不對。");
    const FindResult r = run->with_finder([&](ReportFinder& finder) {
        return finder.find(pattern, from,
                           dir == "next" ? FindDirection::next : FindDirection::previous);
    });
    if (!r.hit) return json_reply(res, 200, JsonObject().boolean("found", false).str());
    const FindHit& h = *r.hit;
    json_reply(res, 200,
               JsonObject()
                   .boolean("found", true)
                   .boolean("wrapped", r.wrapped)
                   .number("page", h.place.page)
                   .number("line", h.place.line)
                   .number("byte", static_cast<std::int64_t>(h.place.byte))
                   .number("begin", static_cast<std::int64_t>(utf16_offset(h.line, h.begin)))
                   .number("end", static_cast<std::int64_t>(utf16_offset(h.line, h.end)))
                   .str());
}

void ReportRoutes::pdf(const Request& req, Response& res) {
    const auto run = run_of(req, res, false, true);
    if (!run) return;
    const int pages = run->view().pages;
    const auto [from, to] = print_range(req, pages);
    const auto path = run->folder() / cat("out-", random_hex(8), ".pdf");
    try {
        const std::lock_guard lock(paint_mutex_);
        print::print_held_pages(*run->report(), pages, from, to,
                                print::pdf_device_factory(QString::fromStdString(path.string())));
    } catch (const std::exception& e) {
        return page_refuse(res, 409, e.what());
    }
    res.set_content(take_file(path), "application/pdf");
    attach(res, cat("rep_5300_", run->date_label(), ".pdf"), param(req, "save") == "1");
}

void ReportRoutes::xlsx(const Request& req, Response& res) {
    const auto run = run_of(req, res, false, true);
    if (!run) return;
    const auto [from, to] = print_range(req, run->view().pages);
    const auto path = run->folder() / cat("out-", random_hex(8), ".xlsx");
    try {
        DataControl ado_print;
        DataControl ado_cbo;
        ado_cbo.share_reads_with(ado_print);
        // The rows of the very state the report was made from.
        DataOptions pinned;
        pinned.pinned_state = run->source().snapshot_id;
        ado_print.set_options(pinned);
        ado_cbo.set_options(pinned);
        const std::string connection = package_connection_string(site_.base.string());
        ado_print.set_connection_string(connection);
        ado_cbo.set_connection_string(connection);
        const XlsxResult r = export_xlsx(run->source(), path, ado_print, ado_cbo, from, to);
        if (r.outcome != XlsxOutcome::Written) return page_refuse(res, 409, r.message);
    } catch (const std::exception& e) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return page_refuse(res, 409, db_message(e));
    }
    res.set_content(take_file(path),
                    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
    attach(res, cat("rep_5300_", run->date_label(), ".xlsx"), true);
}

void ReportRoutes::text_file(const Request& req, Response& res) {
    const auto run = run_of(req, res, false, true);
    if (!run) return;
    // The report's bytes as written: Big5 with CR LF and its control lines.
    res.set_content(read_all(run->report()->fd()), "text/plain; charset=big5");
    attach(res, cat("rep_5300_", run->date_label(), ".TXT"), true);
}

void ReportRoutes::print(const Request& req, Response& res) {
    const auto change = gate_.change(req, res);
    if (!change) return;
    const auto run = runs_.find(change->session.token, req.matches[1].str());
    if (!run || run->view().state != RunState::Done)
        return json_refuse(res, 404, "找不到這份報表，請重新預覽。");
    if (site_.printer.empty()) return json_refuse(res, 409, "伺服器沒有設定印表機。");
    const int pages = run->view().pages;
    const auto field = [&](const char* name) {
        const auto it = change->form.find(name);
        return it == change->form.end() ? std::string() : it->second;
    };
    const auto [from, to] = print_range(field("from"), field("to"), pages);
    try {
        const std::lock_guard lock(paint_mutex_);
        print::print_held_pages(
            *run->report(), pages, from, to,
            print::printer_device_factory(QStringLiteral("rep_5300"),
                                          QString::fromStdString(site_.printer)));
    } catch (const std::exception& e) {
        return json_refuse(res, 409, e.what());
    }
    json_reply(
        res, 200,
        JsonObject()
            .text("message", cat("已送到印表機 ", site_.printer, "（第 ", std::to_string(from),
                                 " 到 ", std::to_string(to), " 頁）。"))
            .str());
}

}  // namespace zol::web
