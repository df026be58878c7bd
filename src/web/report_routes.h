// The routes of the query and preview pages: the lists, a run, its pages, find, and the
// report out of the page. Every one of them is reached only through the server's session
// gate; each asks the gate for the session and, for a change, its checked form.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "web/form.h"
#include "web/run_store.h"
#include "web/sessions.h"

namespace zol::web {

struct Change {
    Session session;
    Form form;
};

struct Gate {
    // The session of a request; nullopt when there is none.
    std::function<std::optional<Session>(const httplib::Request&)> session;
    // The session and form of a POST whose CSRF token is right; nullopt after refusing it.
    std::function<std::optional<Change>(const httplib::Request&, httplib::Response&)> change;
};

struct ReportSite {
    std::filesystem::path base;  // the package folder
    std::filesystem::path runs;  // where the sessions' private folders are made
    std::string printer;         // a CUPS queue: 列印 prints there; empty: a PDF for the browser
};

class ReportRoutes {
  public:
    ReportRoutes(ReportSite site, Gate gate);
    void install(httplib::Server& server);
    // What is kept for a session that ended goes with it.
    void session_ended(const std::string& token) { runs_.end_session(token); }

  private:
    void query(const httplib::Request& req, httplib::Response& res);
    void lists(const std::string& which, const httplib::Request& req, httplib::Response& res);
    void start(const httplib::Request& req, httplib::Response& res);
    std::shared_ptr<WebRun> run_of(const httplib::Request& req, httplib::Response& res, bool json,
                                   bool done);
    void status(const httplib::Request& req, httplib::Response& res);
    void cancel(const httplib::Request& req, httplib::Response& res);
    void preview(const httplib::Request& req, httplib::Response& res);
    void page_text(const httplib::Request& req, httplib::Response& res);
    void find(const httplib::Request& req, httplib::Response& res);
    void pdf(const httplib::Request& req, httplib::Response& res);
    void xlsx(const httplib::Request& req, httplib::Response& res);
    void text_file(const httplib::Request& req, httplib::Response& res);
    void print(const httplib::Request& req, httplib::Response& res);

    const ReportSite site_;
    const Gate gate_;
    RunStore runs_;
    // Qt paints one PDF or print job at a time in this process.
    std::mutex paint_mutex_;
};

}  // namespace zol::web
