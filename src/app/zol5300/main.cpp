// zol5300: report runs, sample databases, SQL through the data layer and the set-up of a
// package folder, without a window.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/usage.h"
#include "data/sqlite_temp.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        zol::app::print_usage("", stderr);
        return zol::app::kExitRefused;
    }
    const std::string cmd = argv[1];
    if (cmd == "--version") {
        std::printf("zol5300 %s\n", ZOL_VERSION);
        return zol::app::kExitDone;
    }
    const zol::app::Args args(argv + 2, argv + argc);
    // "--help" anywhere asks for the text of the command it follows.
    if (cmd == "--help" || cmd == "-h") {
        zol::app::print_usage("", stdout);
        return zol::app::kExitDone;
    }
    if (zol::app::usage_text(cmd) && std::find(args.begin(), args.end(), "--help") != args.end()) {
        zol::app::print_usage(cmd, stdout);
        return zol::app::kExitDone;
    }
    const zol::SqliteTempFolder sqlite_temp;
    try {
        if (cmd == "report") return zol::app::cmd_report(args);
        if (cmd == "sampledb") return zol::app::cmd_sampledb(args);
        if (cmd == "sql") return zol::app::cmd_sql(args);
        if (cmd == "setup") return zol::app::cmd_setup(args);
        if (cmd == "find") return zol::app::cmd_find(args);
        if (cmd == "serve") return zol::app::cmd_serve(args);
        if (cmd == "serve-user") return zol::app::cmd_serve_user(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zol5300 %s: %s\n", cmd.c_str(), e.what());
        return zol::app::kExitFailed;
    }
    std::fprintf(stderr, "zol5300: 不明的命令 %s\n", cmd.c_str());
    zol::app::print_usage("", stderr);
    return zol::app::kExitRefused;
}
