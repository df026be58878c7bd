// Two clerks sharing one package folder: spare uids that a test run as root takes through
// setpriv, A the clerk whose run is watched and B another clerk who plants names. Files B
// plants are made by the test and handed to B (lchown), which is all that matters to A's run.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/unique_fd.h"
#include "support/run_capture.h"

namespace zol::test {

inline constexpr uid_t kClerkA = 65531, kClerkB = 65532, kClerkC = 65533;

// Why two accounts cannot be had here; empty when they can.
inline std::string two_clerks_unavailable() {
    if (::geteuid() != 0) return "two accounts need root (setpriv with spare uids)";
    if (run_program({"setpriv", "--version"}).code != 0) return "no setpriv";
    // A checkout under /root, a 0700 home or a mktemp -d folder keeps the other accounts
    // away from the build's program.
    for (fs::path d = fs::path(zol5300_bin()).parent_path(); !d.empty(); d = d.parent_path()) {
        struct stat st {};
        if (::stat(d.c_str(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
            return "other accounts cannot enter " + d.string() + ", where the build's zol5300 lies";
        if (d == d.root_path()) break;
    }
    return {};
}

// The command line that runs `command` as `uid` with the environment `env` ("NAME=value").
inline std::vector<std::string> as_clerk(uid_t uid, const std::vector<std::string>& env,
                                         const std::vector<std::string>& command) {
    const std::string id = std::to_string(uid);
    std::vector<std::string> argv{"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups",
                                  "env"};
    argv.insert(argv.end(), env.begin(), env.end());
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

// zol5300 with `args` as `uid` with the environment `env`, under `command` if one is given
// (prlimit with a limit, say); killed after `seconds`, so that a run that hangs fails (signal
// set) instead of holding the suite.
inline RunOutput run_as(uid_t uid, const std::vector<std::string>& env,
                        const std::vector<std::string>& args, int seconds = 30,
                        std::vector<std::string> command = {}) {
    std::vector<std::string> argv{"timeout", "-s", "KILL", std::to_string(seconds)};
    command.push_back(zol5300_bin());
    command.insert(command.end(), args.begin(), args.end());
    for (std::string& a : as_clerk(uid, env, command)) argv.push_back(std::move(a));
    RunOutput r = run_program(argv);
    if (r.code == 124 || r.code == 137) r.signal = SIGKILL;  // timeout's own word for it
    return r;
}

// Hands what stands at `path` (a link itself, not its target) to `uid`.
inline void give_to(const fs::path& path, uid_t uid, mode_t mode = 0) {
    if (::lchown(path.c_str(), uid, uid) != 0) throw std::runtime_error("lchown " + path.string());
    if (mode != 0) ::chmod(path.c_str(), mode);
}

// The kernel's protections of sticky folders (Debian's 1, 2, 2 when on, all 0 when off) for
// the life of the object, then put back. set() is false where they cannot be written. They
// are the whole machine's: test processes running side by side take turns (a lock file).
class KernelProtections {
  public:
    explicit KernelProtections(bool on)
        : turn_(
              ::open("/tmp/zol_test_kernel_protections.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        ::flock(turn_.get(), LOCK_EX);
        for (std::size_t i = 0; i < 3; ++i) {
            old_[i] = read_file(path(i));
            set_ = set_ && write(i, on ? (i == 0 ? "1" : "2") : "0");
        }
    }
    ~KernelProtections() {
        for (std::size_t i = 0; i < 3; ++i) write(i, old_[i]);
    }
    KernelProtections(const KernelProtections&) = delete;
    KernelProtections& operator=(const KernelProtections&) = delete;
    bool set() const { return set_; }

  private:
    static fs::path path(std::size_t i) {
        static const char* const names[] = {"protected_symlinks", "protected_regular",
                                            "protected_fifos"};
        return fs::path("/proc/sys/fs") / names[i];
    }
    static bool write(std::size_t i, const std::string& value) {
        std::ofstream(path(i)) << value;
        return read_file(path(i)).substr(0, 1) == value.substr(0, 1);
    }
    UniqueFd turn_;
    std::string old_[3];
    bool set_ = true;
};

}  // namespace zol::test
