// The query and preview pages over real sockets: a web run gives what `zol5300 report` gives
// for the same fields, answers the filter check as the window does, and stays its session's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <thread>
#include <tuple>

#include "query/check_text.h"
#include "query/payment_query.h"
#include "support/web_server.h"

namespace zol::test {
namespace {

// The fields of a run as the page sends them, and the same filters for `zol5300 report`.
struct Filters {
    std::string form;
    std::vector<std::string> args;
};

// The ids behind the entries of the list `id` on the query page.
std::vector<std::string> list_ids(const std::string& page, const std::string& id) {
    const std::size_t from = page.find("<select id=\"" + id + "\"");
    const std::string list = page.substr(from, page.find("</select>", from) - from);
    std::vector<std::string> out;
    static const std::regex option("<option value=\"([^\"]*)\"");
    for (std::sregex_iterator it(list.begin(), list.end(), option), end; it != end; ++it)
        out.push_back((*it)[1]);
    return out;
}

// The collection dates the query page offers.
std::vector<std::string> trandays(const WebClerk& clerk) {
    std::vector<std::string> dates = list_ids(clerk.get("/").body, "CBO_TranDay");
    std::erase(dates, "");  // the empty box
    return dates;
}

// `items` and `statuses`: ids of the query page's lists, some of which are chosen.
Filters filters(const std::string& tranday, int i, const std::vector<std::string>& items = {},
                const std::vector<std::string>& statuses = {}) {
    Filters f{"mode=preview&CBO_TranDay=" + form_escape(tranday), {"--tranday", tranday}};
    if (i % 7 == 3 && items.size() >= 3) {
        f.form += "&Opt_item=2&Lst_item=" + form_escape(items[0] + "\n" + items[2]);
        f.args.insert(f.args.end(), {"--items", items[0] + "," + items[2]});
    }
    if (i % 7 == 5 && statuses.size() >= 2) {
        f.form += "&Opt_status=2&Lst_status=" + form_escape(statuses[1]);
        f.args.insert(f.args.end(), {"--statuses", statuses[1]});
    }
    if (i % 3 != 0) {
        f.form += "&CBO_Grade=" + std::to_string(1 + i % 6);
        f.args.insert(f.args.end(), {"--grade", std::to_string(1 + i % 6)});
    }
    if (i % 4 == 1) {
        f.form += "&CBO_paystas=" + form_escape("已繳");
        f.args.insert(f.args.end(), {"--paystas", "已繳"});
    }
    if (i % 5 == 2) {
        f.form += "&Chk_4=0&Chk_1=1&Chk_2=0&Chk_3=1";
        f.args.insert(f.args.end(), {"--methods", "1,3"});
    } else {
        f.form += "&Chk_4=1";
    }
    return f;
}

// `zol5300 report` on a copy of the package: its report file, or its message.
std::string reference(const Package& package, const std::vector<std::string>& args,
                      const std::vector<std::string>& more = {}) {
    const TempDir copy("zol_ref_");
    fs::create_directories(copy / "mdb");
    fs::copy_file(package.db(), copy / "mdb" / "ZOL.mdb");
    std::vector<std::string> all{"report", copy.path().string()};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), more.begin(), more.end());
    const RunOutput r = run_captured(all);
    if (!more.empty()) return r.out;
    return r.code == 0 ? read_file(copy / "rpt" / "rep_5300.TXT") : "message:" + r.err;
}

std::string without_cr(std::string text) {
    std::erase(text, '\r');
    return text;
}

TEST(WebReport, TwentyClerksAtOnceEachGetTheReportOfTheirOwnFilters) {
    constexpr int kClerks = 20;
    const WebServer server({}, {}, true, kClerks);
    const WebClerk first(server, WebServer::clerk(1));
    const std::vector<std::string> dates = trandays(first);
    ASSERT_GE(dates.size(), 3u);
    const std::string page = first.get("/").body;
    const std::vector<std::string> items = list_ids(page, "Lst_item"),
                                   statuses = list_ids(page, "Lst_status");
    ASSERT_GE(items.size(), 3u);
    ASSERT_GE(statuses.size(), 2u);
    const auto mine = [&](int i) { return filters(dates[i % dates.size()], i, items, statuses); };
    std::vector<std::string> expected(kClerks), got(kClerks), ids(kClerks);
    for (int i = 0; i < kClerks; ++i) expected[i] = reference(server.package(), mine(i).args);
    std::vector<std::unique_ptr<WebClerk>> clerks;
    for (int i = 0; i < kClerks; ++i)
        clerks.push_back(std::make_unique<WebClerk>(server, WebServer::clerk(i + 1)));
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kClerks; ++i)
            threads.emplace_back([&, i] {
                const auto [id, status] = clerks[i]->run(mine(i).form);
                ids[i] = id;
                got[i] = json_field(status, "state") == "done"
                             ? clerks[i]->get("/runs/" + id + "/report.txt").body
                             : "message:" + json_field(status, "message") + "\n";
            });
    }
    int reports = 0;
    for (int i = 0; i < kClerks; ++i) {
        SCOPED_TRACE("clerk " + std::to_string(i + 1));
        EXPECT_EQ(got[i], expected[i]);
        reports += !expected[i].starts_with("message:");
        // Another clerk's run is none of this one's business.
        const std::string other = "/runs/" + ids[(i + 1) % kClerks];
        for (const char* what : {"/status", "/report.txt", "/pages/1", ""})
            EXPECT_EQ(clerks[i]->get(other + what).status, 404) << what;
    }
    EXPECT_GE(reports, kClerks / 2);
    // No web run wrote the package's report file, which belongs to the window's clerks.
    EXPECT_FALSE(fs::exists(server.package().report()));
}

TEST(WebReport, TheFilterCheckAnswersAsTheWindowDoes) {
    const WebServer server;
    const WebClerk clerk(server, WebServer::kUser);
    const std::vector<std::string> dates = trandays(clerk);
    ASSERT_GE(dates.size(), 2u);
    const std::string date = "CBO_TranDay=" + form_escape(dates[0]);
    const struct {
        std::string fields;
        std::string state, message, focus;
    } cases[] = {
        {"mode=preview&CBO_TranDay=", "failed", kMsgTranDayRequired, "CBO_TranDay"},
        {"mode=preview&" + date + "&Chk_ALL=1&CBO_TranDay2=" + form_escape(dates[1]), "failed",
         kMsgMergedOneDate, "CBO_TranDay2"},
        {"mode=preview&" + date + "&Chk_ALL=1", "failed", kMsgMergedOneGroup, "Lst_group"},
        {"mode=preview&" + date + "&Msk_payday1=0951399", "failed", kMsgDateError, "Msk_payday1"},
        {"mode=preview&" + date + "&Opt_status=2&Lst_status=", "failed", kMsgStatusRequired, ""},
        {"mode=preview&CBO_TranDay=099%2F01%2F01", "failed",
         "收款日期 099/01/01 不在收款日期清單中", ""},
        {"mode=print&" + date, "question", kWholeSchoolQuestion, ""},
        {"mode=print&yes=1&" + date, "done", "", ""},
        {"mode=preview&" + date + "&CBO_Grade=+3+", "done", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        const auto [id, status] = clerk.run(c.fields);
        EXPECT_EQ(json_field(status, "state"), c.state) << status;
        EXPECT_EQ(json_field(status, "message"), c.message);
        EXPECT_EQ(json_field(status, "focus"), c.focus);
    }
    // The group check also chooses 選擇部分群組, and the trimmed texts come back to the fields.
    EXPECT_EQ(
        json_field(clerk.run("mode=preview&" + date + "&Chk_ALL=1").second, "select_opt_group2"),
        "true");
    EXPECT_NE(
        clerk.run("mode=preview&" + date + "&CBO_Grade=+3+").second.find("\"CBO_Grade\":\"3\""),
        std::string::npos);

    const struct {
        std::string body;
        int status;
    } refused[] = {
        {"mode=preview&" + date, 403},
        {"csrf=00&mode=preview&" + date, 403},
        {"csrf=" + clerk.csrf() + "&" + date, 400},
        {"csrf=" + clerk.csrf() + "&mode=x&" + date, 400},
        {"csrf=" + clerk.csrf() + "&mode=preview&Chk_1=yes", 400},
        {"csrf=" + clerk.csrf() + "&mode=preview&Opt_group=3", 400},
        {"csrf=" + clerk.csrf() + "&mode=preview&Stray=1", 400},
        {"csrf=" + clerk.csrf() + "&mode=preview&Txt_StdNo1=" + std::string(65, '1'), 400},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.body);
        const HttpReply reply = clerk.post("/run", r.body);
        EXPECT_EQ(reply.status, r.status);
        EXPECT_FALSE(reply.body.empty());
    }
}

TEST(WebReport, PagesFindAndDownloadsAreThoseOfTheCommand) {
    const WebServer server({}, {}, true);
    const WebClerk clerk(server, WebServer::kUser);
    const std::string date = trandays(clerk).at(0);
    const auto [id, status] = clerk.run("mode=preview&Chk_4=1&CBO_TranDay=" + form_escape(date));
    ASSERT_EQ(json_field(status, "state"), "done") << status;
    const int pages = std::stoi(json_field(status, "pages"));
    ASSERT_GE(pages, 3);
    const std::vector<std::string> args{"--tranday", date};
    const std::string run = "/runs/" + id;

    // Each page as `--show` shows it; page 1 also in the preview page itself.
    for (const int page : {1, 2, pages}) {
        SCOPED_TRACE("page " + std::to_string(page));
        const std::string shown = without_cr(
            reference(server.package(), args, {"--show", "--page", std::to_string(page)}));
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(json_field(clerk.get(run + "/pages/" + std::to_string(page)).body, "text"),
                  shown);
        if (page == 1) {
            const std::string html = clerk.get(run).body;
            const std::size_t at = html.find("id=\"PREPRINT_TEXT\"");
            ASSERT_NE(at, std::string::npos);
            const std::size_t from = html.find('>', at) + 1;
            std::string text = html.substr(from, html.find("</pre>", from) - from);
            for (const auto& [entity, c] : {std::pair{"&lt;", "<"},
                                            {"&gt;", ">"},
                                            {"&quot;", "\""},
                                            {"&#39;", "'"},
                                            {"&amp;", "&"}})
                for (std::size_t p; (p = text.find(entity)) != std::string::npos;)
                    text.replace(p, std::string_view(entity).size(), c);
            EXPECT_EQ(text, shown);
        }
    }
    EXPECT_EQ(clerk.get(run + "/pages/" + std::to_string(pages + 1)).status, 404);

    // Find lands on a line of its page that holds the text, and goes on from there.
    const auto find = [&](const std::string& page, const std::string& line,
                          const std::string& byte) {
        return clerk
            .get(run + "/find?q=" + form_escape("班") + "&dir=next&page=" + page + "&line=" + line +
                 "&byte=" + byte)
            .body;
    };
    std::tuple<int, int, int> last{0, 0, 0};
    for (std::string hit = find("1", "0", "0"), n = "0"; n.size() < 4; n += "0") {
        ASSERT_EQ(json_field(hit, "found"), "true") << hit;
        const std::string page =
            json_field(clerk.get(run + "/pages/" + json_field(hit, "page")).body, "text");
        std::vector<std::string> lines;
        for (std::size_t at = 0; at <= page.size();) {
            const std::size_t end = std::min(page.find('\n', at), page.size());
            lines.push_back(page.substr(at, end - at));
            at = end + 1;
        }
        const std::tuple place{std::stoi(json_field(hit, "page")),
                               std::stoi(json_field(hit, "line")),
                               std::stoi(json_field(hit, "byte"))};
        ASSERT_GE(std::get<1>(place), 1);
        EXPECT_GT(place, last);
        last = place;
        EXPECT_NE(lines.at(std::get<1>(place) - 1).find("班"), std::string::npos);
        const int next_byte = std::stoi(json_field(hit, "byte")) + 1;
        hit = find(json_field(hit, "page"), json_field(hit, "line"), std::to_string(next_byte));
    }
    EXPECT_EQ(clerk.get(run + "/find?q=&dir=next&line=0&byte=0&page=1").status, 400);
    EXPECT_EQ(clerk.get(run + "/find?q=a&dir=up&line=0&byte=0&page=1").status, 400);

    // The report file, the PDF and the workbook are those of the command.
    const TempDir dir("zol_dl_");
    const HttpReply text = clerk.get(run + "/report.txt");
    EXPECT_EQ(text.body, reference(server.package(), args));
    EXPECT_NE(text.header("Content-Disposition")
                  .find("rep_5300_" + std::regex_replace(date, std::regex("/"), "-")),
              std::string::npos);
    // For the browser to print, or to keep as a file.
    const HttpReply pdf = clerk.get(run + "/report.pdf");
    EXPECT_TRUE(pdf.header("Content-Disposition").starts_with("inline;"));
    EXPECT_TRUE(clerk.get(run + "/report.pdf?save=1")
                    .header("Content-Disposition")
                    .starts_with("attachment;"));
    write_file(dir / "web.pdf", pdf.body);
    write_file(dir / "web.xlsx", clerk.get(run + "/report.xlsx").body);
    reference(server.package(), args, {"--pdf", (dir / "cli.pdf").string()});
    reference(server.package(), args, {"--xlsx", (dir / "cli.xlsx").string()});
    const auto pdf_text = [&](const char* name) {
        return run_program({"pdftotext", "-layout", (dir / name).string(), "-"}).out;
    };
    EXPECT_GT(pdf_text("web.pdf").size(), 1000u);
    EXPECT_EQ(pdf_text("web.pdf"), pdf_text("cli.pdf"));
    const RunOutput web_book = xlsx_check({"content", (dir / "web.xlsx").string()});
    EXPECT_EQ(web_book.code, 0) << web_book.err;
    EXPECT_EQ(web_book.out, xlsx_check({"content", (dir / "cli.xlsx").string()}).out);
    // A range of pages, and ranges that hold none.
    write_file(dir / "two.pdf", clerk.get(run + "/report.pdf?from=2&to=3").body);
    EXPECT_NE(run_program({"pdfinfo", (dir / "two.pdf").string()}).out.find("Pages:           2"),
              std::string::npos);
    for (const char* bad : {"?from=3&to=2", "?from=x",
                            "?from="
                            "99999",
                            "?to=-1"})
        EXPECT_EQ(clerk.get(run + "/report.pdf" + bad).status, 400) << bad;
}

TEST(WebReport, ASessionsReportsAreItsOwnAndGoWithIt) {
    const WebServer server({"ZOL5300_SESSION_SECONDS=3"});
    // What an earlier server left is gone.
    EXPECT_FALSE(fs::exists(server.runs() / "left-by-an-earlier-server"));
    const WebClerk a(server, WebServer::kUser);
    const std::string date = trandays(a).at(0);
    const auto [id, status] = a.run("mode=preview&CBO_TranDay=" + form_escape(date));
    ASSERT_EQ(json_field(status, "state"), "done");
    const auto folders = [&] {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(server.runs())) out.push_back(e.path());
        return out;
    };
    ASSERT_EQ(folders().size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(folders()[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::stat(server.runs().c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Another session of the same clerk does not reach it either.
    const WebClerk b(server, WebServer::kUser);
    EXPECT_EQ(b.get("/runs/" + id).status, 404);
    EXPECT_EQ(b.get("/runs/" + id + "/report.pdf").status, 404);
    EXPECT_EQ(b.post("/runs/" + id + "/print", "csrf=" + b.csrf()).status, 404);

    // Logging out removes the session's reports.
    EXPECT_EQ(a.post("/logout", "csrf=" + a.csrf()).status, 303);
    EXPECT_TRUE(folders().empty());
    EXPECT_EQ(a.get("/runs/" + id + "/status").status, 303);
    // A session that lapses loses them too.
    const auto [id2, status2] = b.run("mode=preview&CBO_TranDay=" + form_escape(date));
    ASSERT_EQ(json_field(status2, "state"), "done");
    EXPECT_EQ(folders().size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    EXPECT_EQ(http(server.port(), "GET", "/login").status, 200);
    EXPECT_TRUE(folders().empty());
    EXPECT_FALSE(fs::exists(server.package().report()));
}

// 列印 with `--printer QUEUE`: the chosen pages go to that queue of a real spooler, not to the
// default printer; a queue that is not there is told.
TEST(WebReport, PrintGoesToTheServersQueue) {
    if (!fs::exists("/usr/sbin/cupsd")) GTEST_SKIP() << "cupsd is missing (scripts/install-deps)";
    const TempDir spool("zol_webcups_");
    // The spooler's filters run as another account, which must reach its folders.
    fs::permissions(spool.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const std::string script = std::string(ZOL_SOURCE_DIR) + "/tests/support/private-cups.sh";
    const std::vector<std::string> env{"BASE=" + (spool / "cups").string(),
                                       "OUT=" + (spool / "out").string(),
                                       "CUPS_SERVER=" + (spool / "cups" / "cups.sock").string()};
    const auto cups = [&](const std::string& verb) {
        std::vector<std::string> args{"env"};
        args.insert(args.end(), env.begin(), env.end());
        args.insert(args.end(), {"/bin/sh", script, verb});
        return run_program(args);
    };
    const RunOutput started = cups("start");
    ASSERT_EQ(started.code, 0) << started.out << started.err;
    struct Stop {
        std::function<void()> f;
        ~Stop() { f(); }
    } stop{[&] { cups("stop"); }};
    for (const auto& [queue, told] :
         {std::pair{"PDFFILE", "已送到印表機 PDFFILE（第 2 到 3 頁）。"},
          {"NOSUCH", "找不到印表機 NOSUCH。"}}) {
        SCOPED_TRACE(queue);
        const WebServer server(env, {"--printer", queue}, true);
        const WebClerk clerk(server, WebServer::kUser);
        const std::string date = trandays(clerk).at(0);
        const auto [id, status] = clerk.run("mode=print&yes=1&CBO_TranDay=" + form_escape(date));
        ASSERT_EQ(json_field(status, "state"), "done") << status;
        EXPECT_NE(clerk.get("/").body.find("data-server-prints"), std::string::npos);
        const HttpReply r =
            clerk.post("/runs/" + id + "/print", "csrf=" + clerk.csrf() + "&from=2&to=3");
        EXPECT_EQ(json_field(r.body, "message"), told);
        if (std::string_view(queue) != "PDFFILE") {
            EXPECT_EQ(r.status, 409);
            continue;
        }
        EXPECT_EQ(r.status, 200);
        ASSERT_EQ(cups("wait").code, 0);
        const fs::path printed = spool / "out" / "pdffile.pdf";
        ASSERT_TRUE(fs::exists(printed));
        EXPECT_NE(run_program({"pdfinfo", printed.string()}).out.find("Pages:           2"),
                  std::string::npos);
        // Nothing went to the default printer (the virtual PDF printer).
        std::size_t others = 0;
        for (const auto& e : fs::directory_iterator(spool / "out")) others += e.path() != printed;
        EXPECT_EQ(others, 0u);
    }
}

}  // namespace
}  // namespace zol::test
