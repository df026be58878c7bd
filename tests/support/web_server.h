// A real `zol5300 serve` on a free loopback port, over a small package and a users file of
// its own, ended with the object.
#pragma once

#include <stdlib.h>

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

    // `env`: "NAME=VALUE" settings for the server only (its session and delay times).
    explicit WebServer(const std::vector<std::string>& env = {},
                       const std::vector<std::string>& extra = {})
        : package_(Package::Fixture{"packages/small.sql"}) {
        if (serve_user(users(), {"add", kUser}, kPassword).code != 0)
            throw std::runtime_error("serve-user add failed");
        std::vector<std::string> args{"env"};
        args.insert(args.end(), env.begin(), env.end());
        args.insert(args.end(), {zol5300_bin(), "serve", package_.base().string(), "--users",
                                 users().string(), "--listen", "127.0.0.1:0"});
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

    int port() const { return port_; }
    fs::path users() const { return dir_ / "users"; }
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
        std::smatch m;
        static const std::regex token("name=\"csrf\" value=\"([0-9a-f]+)\"");
        return std::regex_search(body, m, token) ? m[1].str() : std::string{};
    }

  private:
    TempDir dir_{"zol_web_"};
    Package package_;
    std::unique_ptr<Child> child_;
    int port_ = 0;
};

}  // namespace zol::test
