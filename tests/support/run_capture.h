// Runs a program as a child process and captures what it prints and how it ended.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/files.h"

extern char** environ;

namespace zol::test {

struct RunOutput {
    int code = -1;   // exit code, -1 when killed or not started
    int signal = 0;  // the signal that ended it, if any
    std::string out;
    std::string err;
};

// Runs argv[0] (a path, or a name looked up in PATH) in `cwd` (empty: the current folder),
// its standard input read from `input` when one is given.
inline RunOutput run_program(std::vector<std::string> argv_s, const fs::path& cwd = {},
                             const fs::path& input = {}) {
    const TempDir dir("zol_run_");
    const std::string out_path = (dir / "out").string(), err_path = (dir / "err").string();
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    if (!input.empty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    pid_t pid = 0;
    RunOutput r;
    if (::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
        if (WIFEXITED(status)) r.code = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}

// The zol5300 binary: $ZOL5300_BIN as the test main sets it.
inline std::string zol5300_bin() {
    const char* env = std::getenv("ZOL5300_BIN");
    return env && *env ? env : std::string(ZOL_BINARY_DIR) + "/zol5300";
}

// Runs zol5300 with the arguments in `cwd`, so that relative file names land there.
inline RunOutput run_captured(const std::vector<std::string>& args, const fs::path& cwd = {}) {
    std::vector<std::string> argv{zol5300_bin()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(std::move(argv), cwd);
}

// The newest entry of a package's collection-date list, as the window shows it ("115/02/24").
inline std::string newest_tranday(const fs::path& db) {
    const std::string iso =
        run_captured(
            {"sql", db.string(), "select max(TranDay) from ZOL10_Agency where PayStas = -1"})
            .out;
    if (iso.size() < 10) return {};
    const std::string year = std::to_string(std::stoi(iso.substr(0, 4)) - 1911);
    return std::string(3 - std::min<std::size_t>(3, year.size()), '0') + year + "/" +
           iso.substr(5, 2) + "/" + iso.substr(8, 2);
}

// Reads a workbook back with Debian's openpyxl: tests/support/xlsx_check.py.
inline RunOutput xlsx_check(std::vector<std::string> args) {
    args.insert(args.begin(),
                {"/usr/bin/python3", std::string(ZOL_SOURCE_DIR) + "/tests/support/xlsx_check.py"});
    return run_program(std::move(args));
}

}  // namespace zol::test
