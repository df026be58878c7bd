// zol5300 serve over real sockets: the session gate, logins, the CSRF token, bad input.
#include <gtest/gtest.h>
#include <httplib.h>

#include <random>
#include <thread>

#include "support/web_server.h"

namespace zol::test {
namespace {

using namespace std::chrono_literals;

TEST(WebServe, EveryRouteButLoginAndStyleNeedsASession) {
    const WebServer server;
    const struct {
        const char *method, *target, *cookie;
        int status;
    } cases[] = {
        {"GET", "/", "", 303},
        {"HEAD", "/", "", 303},
        {"GET", "/report?page=2", "", 303},
        {"GET", "/", "zol_session=00", 303},
        {"GET", "/",
         "zol_session="
         "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",
         303},
        {"POST", "/logout", "", 401},
        {"POST", "/", "", 401},
        {"PUT", "/", "", 401},
        {"DELETE", "/login/../", "", 401},
        {"GET", "/lists/groups?CBO_TranDay=095%2F03%2F15", "", 303},
        {"GET", "/runs/0123456789abcdef0123456789abcdef", "", 303},
        {"GET", "/runs/0123456789abcdef0123456789abcdef/pages/1", "", 303},
        {"GET", "/runs/0123456789abcdef0123456789abcdef/report.pdf", "", 303},
        {"POST", "/run", "", 401},
        {"POST", "/runs/0123456789abcdef0123456789abcdef/print", "", 401},
        {"POST", "/runs/0123456789abcdef0123456789abcdef/cancel", "", 401},
        {"GET", "/static/query.js", "", 200},
        {"GET", "/login", "", 200},
        {"GET", "/static/style.css", "", 200},
        {"GET", "/static/report-mono.woff2", "", 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target);
        const HttpReply r = http(server.port(), c.method, c.target, c.cookie);
        EXPECT_EQ(r.status, c.status);
        if (c.status == 303) {
            EXPECT_EQ(r.header("Location"), "/login");
        }
        if (c.status == 401) {
            EXPECT_NE(r.body.find("請先登入"), std::string::npos);
        }
    }
    const HttpReply login = http(server.port(), "GET", "/login");
    EXPECT_NE(login.body.find("<html lang=\"zh-Hant-TW\">"), std::string::npos);
    EXPECT_NE(login.body.find("密碼"), std::string::npos);
}

TEST(WebServe, ALoginGivesAPrivateCookieAndFailuresAreSlowedDown) {
    const WebServer server({"ZOL5300_LOGIN_DELAY_MS=300"});
    const std::string form = std::string("user=") + WebServer::kUser + "&password=";
    HttpReply r = http(server.port(), "POST", "/login", {}, form + "wrong-one");
    EXPECT_EQ(r.status, 401);
    EXPECT_NE(r.body.find("帳號或密碼不正確"), std::string::npos);
    EXPECT_EQ(r.header("Set-Cookie"), "");
    // Refused at once while the penalty lasts, the right password too.
    r = http(server.port(), "POST", "/login", {}, form + WebServer::kPassword);
    EXPECT_EQ(r.status, 429);
    EXPECT_EQ(r.header("Retry-After"), "1");
    std::this_thread::sleep_for(350ms);
    // The second failure doubles the wait: 350 ms later it still holds.
    EXPECT_EQ(http(server.port(), "POST", "/login", {}, "user=nobody&password=x").status, 401);
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(http(server.port(), "POST", "/login", {}, form + WebServer::kPassword).status, 429);
    std::this_thread::sleep_for(300ms);
    r = http(server.port(), "POST", "/login", {}, form + WebServer::kPassword);
    ASSERT_EQ(r.status, 303);
    EXPECT_EQ(r.header("Location"), "/");
    EXPECT_TRUE(
        std::regex_match(r.header("Set-Cookie"),
                         std::regex("zol_session=[0-9a-f]{64}; Path=/; HttpOnly; SameSite=Strict")))
        << r.header("Set-Cookie");
    const std::string cookie = r.header("Set-Cookie").substr(0, 76);
    const HttpReply home = http(server.port(), "GET", "/", cookie);
    EXPECT_EQ(home.status, 200);
    EXPECT_NE(home.body.find(WebServer::kUser), std::string::npos);
    EXPECT_NE(home.body.find("登出"), std::string::npos);
    // Each session its own cookie.
    EXPECT_NE(server.login(), cookie);
}

TEST(WebServe, AnIdleSessionLapses) {
    const WebServer server({"ZOL5300_SESSION_SECONDS=1"});
    const std::string cookie = server.login();
    ASSERT_FALSE(cookie.empty());
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 200);
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 200);  // used: idle time restarts
    std::this_thread::sleep_for(1300ms);
    const HttpReply r = http(server.port(), "GET", "/", cookie);
    EXPECT_EQ(r.status, 303);
    EXPECT_EQ(r.header("Location"), "/login");
}

TEST(WebServe, LogoutNeedsTheSessionsCsrfTokenAndEndsTheSession) {
    const WebServer server;
    const std::string cookie = server.login(), other = server.login();
    const std::string csrf = server.csrf(cookie);
    ASSERT_EQ(csrf.size(), 64u);
    EXPECT_NE(server.csrf(other), csrf);
    const struct {
        std::string form;
        int status;
        const char* says;
    } refused[] = {
        {"", 403, "缺少驗證碼"},
        {"csrf=", 403, "已失效"},
        {"csrf=" + std::string(64, '0'), 403, "已失效"},
        {"csrf=" + server.csrf(other), 403, "已失效"},
        {"csrf=" + csrf + "&csrf=" + csrf, 400, "格式不對"},
        {"csrf=%zz", 400, "格式不對"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.form);
        const HttpReply r = http(server.port(), "POST", "/logout", cookie, c.form);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.body.find(c.says), std::string::npos);
    }
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 200);
    const HttpReply out = http(server.port(), "POST", "/logout", cookie, "csrf=" + csrf);
    EXPECT_EQ(out.status, 303);
    EXPECT_EQ(out.header("Location"), "/login");
    EXPECT_NE(out.header("Set-Cookie").find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 303);
    EXPECT_EQ(http(server.port(), "POST", "/logout", cookie, "csrf=" + csrf).status, 401);
    EXPECT_EQ(http(server.port(), "GET", "/", other).status, 200);
}

TEST(WebServe, BadLoginFormsGetAMessagePage) {
    const WebServer server;
    const struct {
        std::string raw;
        int status;
    } cases[] = {
        {"POST /login HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\na=b", 415},
        {"POST /login HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 9\r\n\r\nuser=abc%",
         400},
        {"POST /login HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 8\r\n\r\nuser=abc",
         400},
        {"POST /login HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 21\r\n\r\nuser=a%3Ab&password=x",
         400},
        {"POST /login HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: 23\r\n\r\nuser=a%FF&password=xxxx",
         400},
        {"POST /login HTTP/1.1\r\nContent-Length: 99999999\r\n\r\n", 413},
        {"GET /" + std::string(20000, 'a') + " HTTP/1.1\r\n\r\n", 414},
        {"GET / HTTP/1.1\r\nX: " + std::string(20000, 'b') + "\r\n\r\n", 400},
        {"BREW / HTTP/1.1\r\n\r\n", 400},
        {"POST /login HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx", 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.substr(0, 60));
        const HttpReply r = http_raw(server.port(), c.raw);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.body.find("lang=\"zh-Hant-TW\""), std::string::npos);
    }
}

// Random garbage of many shapes, seeded (ZOL_WEB_SEED repeats one): never a 5xx, and the
// server still serves a clerk afterwards.
TEST(WebServe, RandomMalformedRequestsNeverBreakTheServer) {
    const WebServer server;
    // A run of this session's, so that the run routes are reached with an id they know.
    const WebClerk clerk(server, WebServer::kUser);
    const std::string cookie = clerk.cookie(), csrf = clerk.csrf();
    const char* env = std::getenv("ZOL_WEB_SEED");
    const unsigned seed = env ? static_cast<unsigned>(std::stoul(env)) : 5300u;
    SCOPED_TRACE("ZOL_WEB_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const auto bytes = [&](int n, bool any) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += any ? static_cast<char>(rng() & 0xff)
                     : "ab%=&+?/.;:\"<>\r\n\0\xe4\xbd\xa0"[pick(21)];
        return s;
    };
    const char* methods[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "G\x01T", ""};
    const std::string run = "/runs/" + clerk
                                           .run("mode=print&yes=1&CBO_TranDay=" +
                                                form_escape(newest_tranday(server.package().db())))
                                           .first;
    const std::string paths[] = {"/",
                                 "/login",
                                 "/logout",
                                 "/static/style.css",
                                 "/static/../x",
                                 "*",
                                 "//",
                                 "/run",
                                 "/lists/groups",
                                 "/lists/seats",
                                 "/lists/payday",
                                 run,
                                 run + "/status",
                                 run + "/pages/1",
                                 run + "/find",
                                 run + "/report.pdf",
                                 run + "/report.xlsx",
                                 run + "/print",
                                 "/runs/" + std::string(32, '0') + "/status"};
    constexpr int kPaths = sizeof paths / sizeof paths[0];
    int answered = 0;
    for (int i = 0; i < 300; ++i) {
        const int len = pick(4) == 0 ? 9000 + pick(3000) : pick(200);
        std::string target = paths[pick(kPaths)] + (pick(2) ? "?" + bytes(len, false) : "");
        std::string head = std::string(methods[pick(7)]) + " " + target + " HTTP/1." +
                           std::to_string(pick(3)) + "\r\n";
        if (pick(2)) head += "Cookie: " + (pick(3) ? cookie : bytes(pick(100), pick(2))) + "\r\n";
        if (pick(2)) head += "Content-Type: application/x-www-form-urlencoded\r\n";
        std::string body =
            pick(3) == 0 ? bytes(len, true)
            : pick(2)    ? "csrf=" + csrf + "&" + bytes(len, false)
                         : "user=" + bytes(pick(40), false) + "&password=" + bytes(len, false);
        // A body shorter than announced would only wait out the server's read timeout.
        const int declared =
            static_cast<int>(body.size()) + (pick(5) == 0 ? 70000 + pick(9999) : 0);
        head += pick(6) ? "Content-Length: " + std::to_string(declared) + "\r\n"
                        : "Transfer-Encoding: chunked\r\n";
        for (int h = pick(4) == 0 ? pick(200) : 0; h > 0; --h)
            head += "X-" + bytes(8, false) + ": v\r\n";
        if (pick(8) == 0) head += bytes(len, true) + "\r\n";
        const std::string raw =
            pick(10) == 0 ? bytes(len, true) + "\r\n\r\n" : head + "\r\n" + body;
        const HttpReply r = http_raw(server.port(), raw);
        ASSERT_LT(r.status, 500) << "request " << i << ":\n"
                                 << raw.substr(0, 300) << "\n"
                                 << r.head;
        answered += r.status > 0;
    }
    EXPECT_GT(answered, 150);
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 200);
    EXPECT_FALSE(server.login().empty());
    // The access log holds one printable line per answer, no byte that came from a client raw.
    const std::string log = server.log();
    for (const char c : log) ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);
}

TEST(WebServe, TheAccessLogNamesTheUserAndLeavesOutQueryValues) {
    const WebServer server;
    const std::string cookie = server.login();
    http(server.port(), "GET", "/?password=hunter22&page=3", cookie);
    http(server.port(), "GET", "/login?user=x");
    // The line of a request is written once its answer has gone out.
    wait_until([&] { return server.log().find("/login?user") != std::string::npos; }, 5,
               "no log line for the last request");
    const std::string log = server.log();
    EXPECT_TRUE(
        std::regex_search(log, std::regex("\\n\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d{4} "
                                          "clerk1 POST /login 303 \\d+ms\\n")))
        << log;
    EXPECT_NE(log.find(" clerk1 GET /?password&page 200 "), std::string::npos) << log;
    EXPECT_NE(log.find(" - GET /login?user 200 "), std::string::npos) << log;
    EXPECT_EQ(log.find("hunter22"), std::string::npos);
}

TEST(WebServe, OptionsListenAddressesAndTheCleartextWarning) {
    const TempDir dir("zol_web_opts_");
    ASSERT_EQ(serve_user(dir / "users", {"add", "a1"}, "password1").code, 0);
    const std::string users = (dir / "users").string(), base = dir.path().string();
    const struct {
        std::vector<std::string> args;
        const char* says;
    } refused[] = {
        {{"serve"}, "用法"},
        {{"serve", base, "--listen", "8053"}, "--listen"},
        {{"serve", base, "--listen", "1.2.3.4:70000"}, "--listen"},
        {{"serve", base, "--listen", "::1:80"}, "--listen"},
        {{"serve", base, "--tls-cert", users}, "用法"},
        {{"serve", base, "--users", users, "--tls-cert", users, "--tls-key", users}, "憑證"},
        {{"serve", base + "/none", "--users", users}, "不是資料夾"},
        {{"serve", base, "--users", base + "/none"}, "無法開啟帳號檔"},
        {{"serve", base, "--users", users, "--listen", "no.such.host.invalid:1"}, "無法在"},
    };
    for (const auto& c : refused) {
        const RunOutput r = run_captured(c.args);
        EXPECT_EQ(r.code, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    const auto warned = [&](const std::string& listen) {
        const std::string log = (dir / ("log" + listen)).string();
        const Child serve({zol5300_bin(), "serve", base, "--users", users, "--listen", listen},
                          log);
        wait_until([&] { return read_file(log).find("等候連線") != std::string::npos; }, 10,
                   read_file(log));
        return read_file(log).find("明文") != std::string::npos;
    };
    EXPECT_FALSE(warned("127.0.0.1:0"));
    EXPECT_TRUE(warned("0.0.0.0:0"));
}

TEST(WebServe, TlsMarksTheCookieSecure) {
    const TempDir dir("zol_web_tls_");
    const RunOutput made =
        run_program({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                     "-subj", "/CN=localhost", "-keyout", (dir / "key.pem").string(), "-out",
                     (dir / "cert.pem").string()});
    ASSERT_EQ(made.code, 0) << made.err;
    const WebServer server(
        {}, {"--tls-cert", (dir / "cert.pem").string(), "--tls-key", (dir / "key.pem").string()});
    EXPECT_NE(server.log().find("https://127.0.0.1:"), std::string::npos);
    httplib::SSLClient client("127.0.0.1", server.port());
    client.enable_server_certificate_verification(false);
    const auto r =
        client.Post("/login", std::string("user=clerk1&password=") + WebServer::kPassword,
                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 303);
    EXPECT_NE(r->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);
    // Plain HTTP on the TLS port gets no page.
    EXPECT_EQ(http(server.port(), "GET", "/login").status, 0);
}

}  // namespace
}  // namespace zol::test
