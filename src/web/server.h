// zol5300 serve: the web front end's HTTP server.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace zol::web {

struct ServeOptions {
    std::filesystem::path base;   // the package folder
    std::filesystem::path users;  // the accounts file
    std::string host = "127.0.0.1";
    int port = 8053;  // 0: any free port, told on stderr
    std::string tls_cert, tls_key;
    // A CUPS queue that 列印 prints on; empty: the browser gets a PDF to print.
    std::string printer;
    // Where each session's private report folder is made (mode 0700).
    std::filesystem::path runs;
    // How long a session may lie idle, and how long a first failed login blocks the next.
    std::chrono::seconds idle = std::chrono::minutes(30);
    std::chrono::milliseconds first_login_delay = std::chrono::seconds(1);
};

// Whether `host` is this machine only (127.0.0.0/8, ::1, localhost).
bool loopback_host(const std::string& host);

// Serves until SIGINT or SIGTERM; messages for the user on stderr, one access-log line per
// request. The process exit code.
int serve(const ServeOptions& options);

}  // namespace zol::web
