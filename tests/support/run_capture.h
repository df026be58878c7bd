// Runs zol5300 as a child process and captures what it prints and how it ended.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/sample_db.h"

namespace zol::test {

struct RunOutput {
    int code = -1;   // exit code, -1 when killed
    int signal = 0;  // the signal that ended it, if any
    std::string out;
    std::string err;
};

// Runs zol5300 (or `program`) with the arguments in `cwd` (empty: the current folder), so
// that relative file names land there.
inline RunOutput run_captured(const std::vector<std::string>& args,
                              const std::filesystem::path& cwd = {},
                              const std::string& program = {}) {
    const std::filesystem::path dir = make_temp_dir("zol_run_");
    const std::string out_path = (dir / "out").string();
    const std::string err_path = (dir / "err").string();
    std::vector<std::string> argv_s{program.empty() ? zol5300_bin() : program};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
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
    pid_t pid = 0;
    RunOutput r;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
        if (WIFEXITED(status)) r.code = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    r.out = slurp(out_path);
    r.err = slurp(err_path);
    std::filesystem::remove_all(dir);
    return r;
}

// The newest entry of a package's collection-date list, as the window shows it ("115/02/24").
inline std::string newest_tranday(const std::filesystem::path& db) {
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
    args.insert(args.begin(), std::string(ZOL_SOURCE_DIR) + "/tests/support/xlsx_check.py");
    return run_captured(args, {}, "/usr/bin/python3");
}

}  // namespace zol::test
