// A real `zol5300 serve` on a free loopback port, over a small package and a users file of
// its own, ended with the object.
#pragma once

#include <stdlib.h>

#include <cctype>
#include <memory>
#include <regex>
#include <string>

#include "support/child_process.h"
#include "support/http_client.h"
#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol::test {

// `zol5300 serve-user ARGS --users FILE` with `password` on its standard input.
inline RunOutput serve_user(const fs::path& users, std::vector<std::string> args,
                            const std::string& password = {}) {
    const TempDir dir("zol_pw_");
    write_file(dir / "in", password + "\n");
    args.insert(args.begin(), {zol5300_bin(), "serve-user"});
    args.insert(args.end(), {"--users", users.string()});
    return run_program(std::move(args), {}, dir / "in");
}

class WebServer {
  public:
    static constexpr const char* kUser = "clerk1";
    static constexpr const char* kPassword = "correct-horse-7";

    // `env`: "NAME=VALUE" settings for the server only (its session and delay times);
    // `sample`: a generated sample school instead of the small fixture; `clerks` more
    // accounts "clerk2".."clerkN" with the same password.
    explicit WebServer(const std::vector<std::string>& env = {},
                       const std::vector<std::string>& extra = {}, bool sample = false,
                       int clerks = 1)
        : package_(sample ? std::make_unique<Package>(Package::Sample{})
                          : std::make_unique<Package>(Package::Fixture{"packages/small.sql"})) {
        for (int i = 1; i <= clerks; ++i)
            if (serve_user(users(), {"add", clerk(i)}, kPassword).code != 0)
                throw std::runtime_error("serve-user add failed");
        fs::create_directories(runs());
        write_file(runs() / "left-by-an-earlier-server", "x");
        std::vector<std::string> args{"env"};
        args.insert(args.end(), env.begin(), env.end());
        args.insert(args.end(),
                    {zol5300_bin(), "serve", package_->base().string(), "--users", users().string(),
                     "--listen", "127.0.0.1:0", "--runs", runs().string()});
        args.insert(args.end(), extra.begin(), extra.end());
        child_ = std::make_unique<Child>(args, log_path().string());
        const std::regex listening("https?://127\\.0\\.0\\.1:([0-9]+)/");
        wait_until(
            [&] {
                std::smatch m;
                const std::string text = log();
                if (std::regex_search(text, m, listening)) port_ = std::stoi(m[1]);
                return port_ > 0;
            },
            10, "zol5300 serve did not start: " + log());
    }

    static std::string clerk(int i) { return i == 1 ? kUser : "clerk" + std::to_string(i); }
    int port() const { return port_; }
    const Package& package() const { return *package_; }
    fs::path users() const { return dir_ / "users"; }
    // Where the sessions' report folders are.
    fs::path runs() const { return dir_ / "runs"; }
    fs::path log_path() const { return dir_ / "serve.log"; }
    std::string log() const { return read_file(log_path()); }

    // Logs in as `user`; the "zol_session=..." cookie, or empty when refused.
    std::string login(const std::string& user = kUser, const std::string& pw = kPassword) const {
        const HttpReply r = http(port_, "POST", "/login", {}, "user=" + user + "&password=" + pw);
        const std::string set = r.header("Set-Cookie");
        return r.status == 303 ? set.substr(0, set.find(';')) : std::string{};
    }
    // The CSRF token on the start page of the session `cookie`.
    std::string csrf(const std::string& cookie) const {
        const std::string body = http(port_, "GET", "/", cookie).body;
        return csrf_in(body);
    }
    static std::string csrf_in(const std::string& body) {
        std::smatch m;
        static const std::regex token("name=\"csrf\" value=\"([0-9a-f]+)\"");
        return std::regex_search(body, m, token) ? m[1].str() : std::string{};
    }

  private:
    TempDir dir_{"zol_web_"};
    std::unique_ptr<Package> package_;
    std::unique_ptr<Child> child_;
    int port_ = 0;
};

// The text of the JSON field `key` of a flat answer ("" when absent); a number or a boolean as
// written. Escapes are read as the server writes them.
inline std::string json_field(const std::string& body, const std::string& key) {
    const std::string at = "\"" + key + "\":";
    std::size_t i = body.find(at);
    if (i == std::string::npos) return {};
    i += at.size();
    if (body[i] != '"') return body.substr(i, body.find_first_of(",}", i) - i);
    std::string out;
    for (++i; i < body.size() && body[i] != '"'; ++i) {
        if (body[i] != '\\') {
            out += body[i];
            continue;
        }
        const char e = body[++i];
        if (e == 'n')
            out += '\n';
        else if (e == 'u') {
            out += static_cast<char>(std::stoi(body.substr(i + 1, 4), nullptr, 16));
            i += 4;
        } else
            out += e;
    }
    return out;
}

// `text` as a form value.
inline std::string form_escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '_' || c == '.')
            out += c;
        else
            out += {'%', kHex[u >> 4], kHex[u & 15]};
    }
    return out;
}

// One logged-in clerk of a server: runs from the query page's fields, as its script sends them.
class WebClerk {
  public:
    WebClerk(const WebServer& server, const std::string& user)
        : server_(server), cookie_(server.login(user)), csrf_(server.csrf(cookie_)) {}
    const std::string& cookie() const { return cookie_; }
    const std::string& csrf() const { return csrf_; }
    HttpReply get(const std::string& target) const {
        return http(server_.port(), "GET", target, cookie_);
    }
    HttpReply post(const std::string& target, const std::string& form) const {
        return http(server_.port(), "POST", target, cookie_, form);
    }
    // Starts a run of `fields` ("NAME=value&..." without the token) and waits for its end:
    // the run id and its last status.
    std::pair<std::string, std::string> run(const std::string& fields) const {
        const HttpReply started = post("/run", "csrf=" + csrf_ + "&" + fields);
        const std::string id = json_field(started.body, "run");
        if (started.status != 202 || id.empty()) return {{}, started.body};
        std::string status;
        wait_until(
            [&] {
                status = get("/runs/" + id + "/status").body;
                return json_field(status, "state") != "running";
            },
            120, "the run did not end");
        return {id, status};
    }

  private:
    const WebServer& server_;
    std::string cookie_, csrf_;
};

}  // namespace zol::test
