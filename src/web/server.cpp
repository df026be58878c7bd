// The web front end's HTTP server, on Debian's cpp-httplib (libcpp-httplib-dev), chosen
// over writing one of our own or a larger framework because it is in Debian's archive
// (security updates come with the system's), and it has what a server on an office LAN
// needs: a pool of threads, so one clerk's long report never holds up another's page; read
// and write timeouts, so a client that stops sending or reading frees its thread; limits on
// the request line, each header line and the body; and TLS through the system's OpenSSL.
// Only calls that both Debian 12's 0.11 and later versions have are used.
//
// Every route but the login page and the style sheet needs a session, checked before the
// route is reached; every POST also needs the session's CSRF token. A refusal is always a
// page in words for the clerk with a 4xx status.
#include "web/server.h"

#include <httplib.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>

#include "core/text.h"
#include "web/accounts.h"
#include "web/assets.h"
#include "web/form.h"
#include "web/pages.h"
#include "web/report_routes.h"
#include "web/sessions.h"
#include "web/web_font.h"

namespace zol::web {

namespace {

constexpr const char* kCookie = "zol_session";
constexpr const char* kHtml = "text/html; charset=utf-8";
// A login or logout form is a few hundred bytes; later forms of the query page stay far
// below this too.
constexpr std::size_t kMaxBody = 64 * 1024;
constexpr std::size_t kMaxPassword = 1024;
constexpr std::size_t kThreads = 64;

// The accounts file, read again whenever it changed, so `serve-user add` and `remove` take
// effect without a restart.
class AccountStore {
  public:
    explicit AccountStore(std::filesystem::path path) : path_(std::move(path)) {}

    // Reads the file; throws (in words for the user) when it cannot be used.
    void load() {
        const std::lock_guard lock(mutex_);
        reload_if_changed(true);
    }
    std::optional<std::string> hash_of(std::string_view name) {
        const std::lock_guard lock(mutex_);
        reload_if_changed(false);
        for (const Account& a : accounts_)
            if (a.name == name) return a.hash;
        return std::nullopt;
    }

  private:
    void reload_if_changed(bool must) {
        struct stat st {};
        if (::stat(path_.c_str(), &st) == 0 && !must && st.st_ino == seen_.st_ino &&
            st.st_size == seen_.st_size && st.st_mtim.tv_sec == seen_.st_mtim.tv_sec &&
            st.st_mtim.tv_nsec == seen_.st_mtim.tv_nsec)
            return;
        try {
            accounts_ = read_accounts(path_);
            seen_ = st;
        } catch (const std::exception& e) {
            if (must) throw;
            // A broken file lets nobody in, rather than the accounts it held before.
            std::fprintf(stderr, "zol5300 serve：%s\n", e.what());
            accounts_.clear();
            seen_ = st;
        }
    }

    const std::filesystem::path path_;
    std::mutex mutex_;
    Accounts accounts_;
    struct stat seen_ {};
};

// When each request began and whose it is, for its access-log line.
class RequestLog {
  public:
    void begin(const httplib::Request& req) {
        const std::lock_guard lock(mutex_);
        open_[&req] = {Clock::now(), "-"};
    }
    void set_user(const httplib::Request& req, const std::string& user) {
        const std::lock_guard lock(mutex_);
        if (auto it = open_.find(&req); it != open_.end()) it->second.user = user;
    }
    void write(const httplib::Request& req, const httplib::Response& res) {
        Entry e{Clock::now(), "-"};
        {
            const std::lock_guard lock(mutex_);
            if (auto it = open_.find(&req); it != open_.end()) {
                e = it->second;
                open_.erase(it);
            }
        }
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - e.start).count();
        char when[32] = "";
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (::localtime_r(&now, &tm)) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S%z", &tm);
        const std::string line = cat(when, " ", e.user, " ", log_safe(req.method, 16), " ",
                                     log_safe(target_without_values(req.target)), " ",
                                     std::to_string(res.status), " ", std::to_string(ms), "ms\n");
        std::fputs(line.c_str(), stderr);
    }

  private:
    // "/x?a=1&b=2" as "/x?a&b": the names tell what was asked, the values may be private.
    static std::string target_without_values(std::string_view target) {
        const std::size_t q = target.find('?');
        if (q == std::string_view::npos) return std::string(target);
        std::string out(target.substr(0, q + 1));
        std::string_view query = target.substr(q + 1);
        for (bool first = true; !query.empty(); first = false) {
            const std::size_t amp = query.find('&');
            const std::string_view field = query.substr(0, amp);
            if (!first) out += '&';
            out += field.substr(0, field.find('='));
            query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        }
        return out;
    }

    struct Entry {
        Clock::time_point start;
        std::string user;
    };
    std::mutex mutex_;
    std::map<const httplib::Request*, Entry> open_;
};

bool hex_token(std::string_view s) {
    if (s.size() != 64) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

void refuse(httplib::Response& res, int status, std::string_view message = {}) {
    res.status = status;
    res.set_content(message_page(status, message.empty() ? status_message(status) : message),
                    kHtml);
}

void redirect(httplib::Response& res, const std::string& to) {
    res.status = 303;
    res.set_header("Location", to);
}

class Site {
  public:
    Site(const ServeOptions& o, httplib::Server& server)
        : accounts_(o.users),
          sessions_(o.idle),
          throttle_(o.first_login_delay),
          secure_(!o.tls_cert.empty()),
          decoy_hash_(hash_password(random_hex(16))),
          reports_({o.base, o.runs, o.printer},
                   Gate{[this](const httplib::Request& req) { return session_of(req); },
                        [this](const httplib::Request& req, httplib::Response& res) {
                            return for_change(req, res);
                        }}) {
        accounts_.load();
        routes(server);
        reports_.install(server);
    }

  private:
    void routes(httplib::Server& s) {
        using httplib::Request, httplib::Response;
        s.set_pre_routing_handler(
            [this](const Request& req, Response& res) { return gate(req, res); });
        s.set_logger([this](const Request& req, const Response& res) { log_.write(req, res); });
        s.set_error_handler(httplib::Server::Handler([](const Request&, Response& res) {
            if (res.body.empty()) refuse(res, res.status);
        }));
        s.set_exception_handler([](const Request&, Response& res, std::exception_ptr ep) {
            try {
                if (ep) std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "zol5300 serve：%s\n", e.what());
            } catch (...) {
            }
            refuse(res, 500);
        });
        for (const auto& [path, text, type] :
             {std::tuple{"/static/style.css", style_sheet(), "text/css; charset=utf-8"},
              {"/static/query.js", query_script(), "text/javascript; charset=utf-8"},
              {"/static/preview.js", preview_script(), "text/javascript; charset=utf-8"}})
            s.Get(path, [text, type](const Request&, Response& res) {
                res.set_content(std::string(text), type);
            });
        s.Get(std::string(kWebFontPath), [](const Request&, Response& res) {
            // Part of the program, so browsers may keep it; the default header says no-store,
            // and a second Cache-Control beside it would be read as the stricter one.
            res.headers.erase("Cache-Control");
            res.set_header("Cache-Control", "public, max-age=31536000, immutable");
            res.set_content(std::string(web_font()), "font/woff2");
        });
        s.Get("/login", [this](const Request& req, Response& res) {
            if (session_of(req)) return redirect(res, "/");
            res.set_content(login_page({}, {}), kHtml);
        });
        s.Post("/login", [this](const Request& req, Response& res) { login(req, res); });
        s.Post("/logout", [this](const Request& req, Response& res) {
            if (auto change = for_change(req, res)) {
                sessions_.close(change->session.token);
                end_sessions();
                res.set_header("Set-Cookie", cookie({}));
                redirect(res, "/login");
            }
        });
        s.Get("/logout", [](const Request&, Response& res) { refuse(res, 405); });
    }

    // Whether a browser's Origin header (when it sends one) names this server as the Host
    // header does. A page whose referrer policy hides the origin sends "null"; the browser's
    // own word on where the form came from then decides (a sandboxed page of another site
    // sends "null" too, with "cross-site").
    bool same_origin(const httplib::Request& req) const {
        if (!req.has_header("Origin")) return true;
        const std::string origin = req.get_header_value("Origin");
        if (origin == "null") return req.get_header_value("Sec-Fetch-Site") == "same-origin";
        return origin == cat(secure_ ? "https://" : "http://", req.get_header_value("Host"));
    }

    static bool public_path(const std::string& path) {
        return path == "/login" || path.starts_with("/static/");
    }

    // Before any route: a request without a session goes to the login page (a page) or is
    // refused (anything else).
    httplib::Server::HandlerResponse gate(const httplib::Request& req, httplib::Response& res) {
        log_.begin(req);
        sessions_.sweep();
        end_sessions();
        // Refused before the library reads (and throws away) a body that is too large.
        const bool two_lengths = req.get_header_value_count("Content-Length") > 1;
        if (two_lengths ||
            std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10) > kMaxBody) {
            res.set_header("Connection", "close");
            refuse(res, two_lengths ? 400 : 413);
            return httplib::Server::HandlerResponse::Handled;
        }
        // A form sent from another site's page (through the clerk's browser) is no clerk's.
        if (req.method == "POST" && !same_origin(req)) {
            refuse(res, 403, "這個表單不是從本系統的頁面送出的，不予處理。");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (public_path(req.path)) return httplib::Server::HandlerResponse::Unhandled;
        const auto session = session_of(req);
        if (session) {
            log_.set_user(req, session->user);
            return httplib::Server::HandlerResponse::Unhandled;
        }
        if (req.method == "GET" || req.method == "HEAD")
            redirect(res, "/login");
        else
            refuse(res, 401);
        return httplib::Server::HandlerResponse::Handled;
    }

    std::optional<Session> session_of(const httplib::Request& req) {
        const std::string token = cookie_value(req.get_header_value("Cookie"), kCookie);
        if (!hex_token(token)) return std::nullopt;
        auto session = sessions_.find(token);
        // A session of an account removed meanwhile ends with it.
        if (session && !accounts_.hash_of(session->user)) {
            sessions_.close_user(session->user);
            return std::nullopt;
        }
        return session;
    }

    // The form of a POST, when it is one: nullopt after refusing it.
    static std::optional<Form> form_of(const httplib::Request& req, httplib::Response& res) {
        if (!req.get_header_value("Content-Type")
                 .starts_with("application/x-www-form-urlencoded")) {
            refuse(res, 415);
            return std::nullopt;
        }
        auto form = parse_form(req.body);
        if (!form) refuse(res, 400, "表單的內容格式不對。");
        return form;
    }

    // What was kept for the sessions that ended goes with them.
    void end_sessions() {
        for (const std::string& token : sessions_.take_ended()) reports_.session_ended(token);
    }

    // The session and form of a request that changes something, its CSRF token checked;
    // nullopt after refusing it.
    std::optional<Change> for_change(const httplib::Request& req, httplib::Response& res) {
        auto session = session_of(req);
        if (!session) {
            refuse(res, 401);
            return std::nullopt;
        }
        const auto form = form_of(req, res);
        if (!form) return std::nullopt;
        const auto csrf = form->find("csrf");
        if (csrf == form->end()) {
            refuse(res, 403, "表單缺少驗證碼，請重新整理頁面後再試一次。");
            return std::nullopt;
        }
        if (!same_secret(csrf->second, session->csrf)) {
            refuse(res, 403);
            return std::nullopt;
        }
        return Change{*session, *form};
    }

    void login(const httplib::Request& req, httplib::Response& res) {
        const auto form = form_of(req, res);
        if (!form) return;
        const auto user = form->find("user"), password = form->find("password");
        if (user == form->end() || password == form->end()) {
            refuse(res, 400, "請輸入帳號與密碼。");
            return;
        }
        const std::string& name = user->second;
        const auto login_refused = [&](int status, std::string_view message,
                                       std::string_view keep) {
            res.status = status;
            res.set_content(login_page(message, keep), kHtml);
        };
        if (const std::string why = user_name_refusal(name); !why.empty())
            return login_refused(400, cat(why, "。"), {});
        if (password->second.size() > kMaxPassword) return login_refused(400, "密碼太長。", name);
        if (const auto wait = throttle_.wait(name, req.remote_addr); wait.count() > 0) {
            const auto seconds = std::to_string((wait.count() + 999) / 1000);
            res.set_header("Retry-After", seconds);
            return login_refused(429, cat("登入失敗的次數太多，請 ", seconds, " 秒後再試。"), name);
        }
        const auto hash = accounts_.hash_of(name);
        // An unknown name costs the same hashing as a known one, so the time of the answer
        // does not tell which names exist.
        const bool ok = password_matches(password->second, hash ? *hash : decoy_hash_) && hash;
        if (!ok) {
            throttle_.failed(name, req.remote_addr);
            return login_refused(401, "帳號或密碼不正確。", name);
        }
        throttle_.succeeded(name, req.remote_addr);
        const Session session = sessions_.open(name);
        log_.set_user(req, name);
        res.set_header("Set-Cookie", cookie(session.token));
        redirect(res, "/");
    }

    std::string cookie(const std::string& token) const {
        return cat(kCookie, "=", token, "; Path=/; HttpOnly; SameSite=Strict",
                   token.empty() ? "; Max-Age=0" : "", secure_ ? "; Secure" : "");
    }

    AccountStore accounts_;
    Sessions sessions_;
    LoginThrottle throttle_;
    RequestLog log_;
    const bool secure_;
    const std::string decoy_hash_;
    ReportRoutes reports_;
};

}  // namespace

bool loopback_host(const std::string& host) {
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

int serve(const ServeOptions& o) {
    std::error_code ec;
    if (!std::filesystem::is_directory(o.base, ec)) {
        std::fprintf(stderr, "zol5300 serve：%s 不是資料夾\n", o.base.c_str());
        return 2;
    }
    // The signals end the server from a thread of their own; blocked before the pool's
    // threads start, so none of them takes one.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<httplib::Server> server;
    if (o.tls_cert.empty()) {
        server = std::make_unique<httplib::Server>();
    } else {
        server = std::make_unique<httplib::SSLServer>(o.tls_cert.c_str(), o.tls_key.c_str());
        if (!server->is_valid()) {
            std::fprintf(stderr, "zol5300 serve：無法使用憑證 %s 與私鑰 %s\n", o.tls_cert.c_str(),
                         o.tls_key.c_str());
            return 2;
        }
    }
    std::optional<Site> site;
    try {
        site.emplace(o, *server);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zol5300 serve：%s\n", e.what());
        return 2;
    }
    // A browser keeps its connection (and with it a thread) for a few seconds after each
    // request; a school office's clerks all polling one long run each must not queue behind
    // one another. The library owns the pool it is handed.
    server->new_task_queue = [] {
        return std::make_unique<httplib::ThreadPool>(kThreads).release();
    };
    server->set_read_timeout(10, 0);
    server->set_write_timeout(30, 0);
    server->set_keep_alive_timeout(5);
    server->set_keep_alive_max_count(50);
    server->set_payload_max_length(kMaxBody);
    server->set_default_headers(
        {{"X-Content-Type-Options", "nosniff"},
         {"X-Frame-Options", "DENY"},
         {"Referrer-Policy", "same-origin"},
         {"Cache-Control", "no-store"},
         {"Content-Security-Policy",
          "default-src 'self'; frame-ancestors 'none'; form-action 'self'"}});

    const std::string bind_host =
        o.host.size() > 2 && o.host.front() == '[' ? o.host.substr(1, o.host.size() - 2) : o.host;
    const int port = o.port == 0 ? server->bind_to_any_port(bind_host)
                                 : (server->bind_to_port(bind_host, o.port) ? o.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "zol5300 serve：無法在 %s:%d 等候連線（位址不對或已被使用）\n",
                     o.host.c_str(), o.port);
        return 2;
    }
    if (o.tls_cert.empty() && !loopback_host(bind_host))
        std::fprintf(stderr,
                     "zol5300 serve：注意：沒有使用 TLS，密碼會以明文經過區域網路；"
                     "請以 --tls-cert 與 --tls-key 啟用 HTTPS\n");
    std::fprintf(stderr, "zol5300 serve：在 %s://%s:%d/ 等候連線（帳號檔 %s）\n",
                 o.tls_cert.empty() ? "http" : "https", o.host.c_str(), port, o.users.c_str());
    std::fflush(stderr);

    std::thread stopper([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        server->stop();
    });
    const bool ran = server->listen_after_bind();
    // Listening may also end by itself; the stopper then gets the signal it waits for.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return ran ? 0 : 4;
}

}  // namespace zol::web
