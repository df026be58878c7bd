// zol5300 serve BASE: the web front end; zol5300 serve-user: its accounts.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/usage.h"
#include "core/text.h"
#include "print/pdf_device.h"
#include "print/print_fonts.h"
#include "web/accounts.h"
#include "web/server.h"

namespace zol::app {

namespace {

constexpr std::size_t kMinPassword = 8;

// A private folder under $TMPDIR (or /tmp), removed with what is in it.
class TempFolder {
  public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zol5300-serve-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};
constexpr std::size_t kMaxPassword = 1024;

// A whole number in [lo, hi] from the environment variable `name`, else `fallback`: for
// tests, which cannot wait half an hour for a session to lapse.
long env_number(const char* name, long fallback, long lo, long hi) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    return *end == '\0' && v >= lo && v <= hi ? v : fallback;
}

// "ADDR:PORT" or "[ADDR]:PORT"; false when it is neither.
bool parse_listen(const std::string& text, web::ServeOptions& o) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    std::string host = text.substr(0, colon);
    if (host.find(':') != std::string::npos && !(host.front() == '[' && host.back() == ']'))
        return false;
    const std::string port = text.substr(colon + 1);
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
    const int p = std::stoi(port);
    if (p > 65535) return false;
    o.host = host;
    o.port = p;
    return true;
}

// Echo off on the terminal while it lives.
class NoEcho {
  public:
    NoEcho() {
        if (::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~NoEcho() {
        if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

bool read_line(const char* prompt, bool tty, std::string& line) {
    if (tty) std::fputs(prompt, stderr);
    bool got = false;
    {
        const NoEcho quiet;
        got = static_cast<bool>(std::getline(std::cin, line));
    }
    if (tty) std::fputs("\n", stderr);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return got;
}

// The new password: typed twice on a terminal without echo, or one line of stdin when that
// is no terminal (a script, a test). Empty after saying why there is none.
std::string new_password() {
    const bool tty = ::isatty(STDIN_FILENO) == 1;
    std::string password, again;
    if (!read_line("密碼：", tty, password)) {
        std::fputs("zol5300 serve-user：沒有讀到密碼\n", stderr);
        return {};
    }
    if (password.size() < kMinPassword || password.size() > kMaxPassword) {
        std::fputs("zol5300 serve-user：密碼須為 8 到 1024 個位元組\n", stderr);
        return {};
    }
    if (tty && (!read_line("再輸入一次：", tty, again) || again != password)) {
        std::fputs("zol5300 serve-user：兩次輸入的密碼不同\n", stderr);
        return {};
    }
    return password;
}

}  // namespace

int cmd_serve(const Args& args) {
    web::ServeOptions o;
    o.users = web::default_accounts_path();
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--listen" && has_value) {
            if (!parse_listen(args[++i], o)) {
                std::fprintf(stderr, "zol5300 serve：--listen 須為 位址:埠，例如 0.0.0.0:8053\n");
                return kExitRefused;
            }
        } else if (a == "--users" && has_value) {
            o.users = args[++i];
        } else if (a == "--tls-cert" && has_value) {
            o.tls_cert = args[++i];
        } else if (a == "--tls-key" && has_value) {
            o.tls_key = args[++i];
        } else if (a == "--printer" && has_value) {
            o.printer = args[++i];
        } else if (a == "--runs" && has_value) {
            o.runs = args[++i];
        } else if (a.starts_with("--")) {
            print_usage("serve", stderr);
            return kExitRefused;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != 1 || o.tls_cert.empty() != o.tls_key.empty()) {
        print_usage("serve", stderr);
        return kExitRefused;
    }
    o.base = rest[0];
    o.idle = std::chrono::seconds(env_number("ZOL5300_SESSION_SECONDS", 1800, 1, 86400));
    o.first_login_delay =
        std::chrono::milliseconds(env_number("ZOL5300_LOGIN_DELAY_MS", 1000, 1, 60000));
    // The sessions' report folders: the service's own runtime folder, or a fresh private one.
    std::optional<TempFolder> own_runs;
    if (o.runs.empty()) {
        const char* runtime = std::getenv("RUNTIME_DIRECTORY");
        if (runtime && *runtime) {
            const std::string first(runtime, std::strcspn(runtime, ":"));
            o.runs = std::filesystem::path(first) / "runs";
        } else {
            own_runs.emplace();
            if (own_runs->path().empty()) {
                std::fprintf(stderr, "zol5300 serve：無法建立暫存資料夾\n");
                return kExitFailed;
            }
            o.runs = own_runs->path();
        }
    }
    // PDFs and prints are painted by Qt, which wants its application object first, on this
    // thread, before any request thread starts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's platform wants a runtime folder of the account's own; a service has none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        std::error_code ec;
        std::filesystem::create_directories(o.runs, ec);
        ::chmod(o.runs.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(o.runs.string()));
    }
    int argc = 1;
    char name[] = "zol5300";
    char* argv[] = {name, nullptr};
    const QGuiApplication app(argc, argv);
    install_font_substitutions();
    print::find_time_zone();
    return web::serve(o);
}

int cmd_serve_user(const Args& args) {
    std::filesystem::path users = web::default_accounts_path();
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--users" && i + 1 < args.size())
            users = args[++i];
        else
            rest.push_back(args[i]);
    }
    const std::string verb = rest.empty() ? "" : rest[0];
    if (!((verb == "list" && rest.size() == 1) ||
          ((verb == "add" || verb == "remove") && rest.size() == 2))) {
        print_usage("serve-user", stderr);
        return kExitRefused;
    }
    std::error_code ec;
    web::Accounts accounts;
    try {
        if (verb != "add" || std::filesystem::exists(std::filesystem::symlink_status(users, ec)))
            accounts = web::read_accounts(users);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zol5300 serve-user：%s\n", e.what());
        return kExitFailed;
    }
    if (verb == "list") {
        for (const auto& a : accounts) std::printf("%s\n", a.name.c_str());
        return kExitDone;
    }
    const std::string& name = rest[1];
    if (const std::string why = web::user_name_refusal(name); !why.empty()) {
        std::fprintf(stderr, "zol5300 serve-user：%s\n", why.c_str());
        return kExitRefused;
    }
    auto it =
        std::find_if(accounts.begin(), accounts.end(), [&](auto& a) { return a.name == name; });
    const bool existed = it != accounts.end();
    if (verb == "remove") {
        if (!existed) {
            std::fprintf(stderr, "zol5300 serve-user：沒有帳號 %s\n", name.c_str());
            return kExitRefused;
        }
        accounts.erase(it);
    } else {
        const std::string password = new_password();
        if (password.empty()) return kExitRefused;
        try {
            std::string hash = web::hash_password(password);
            if (!existed)
                accounts.push_back({name, std::move(hash)});
            else
                it->hash = std::move(hash);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "zol5300 serve-user：%s\n", e.what());
            return kExitFailed;
        }
    }
    if (const std::string why = web::write_accounts(users, accounts); !why.empty()) {
        std::fprintf(stderr, "zol5300 serve-user：無法寫入帳號檔 %s：%s\n", users.c_str(),
                     why.c_str());
        return kExitFailed;
    }
    const bool changed = verb == "add" && existed;
    std::printf("%s帳號 %s（帳號檔 %s）\n",
                verb == "remove" ? "已刪除"
                : changed        ? "已變更密碼："
                                 : "已新增",
                name.c_str(), users.c_str());
    return kExitDone;
}

}  // namespace zol::app
