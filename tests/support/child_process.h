// A helper program that a test binary runs beside itself (a window manager, a D-Bus bus,
// an input method) and ends with the object; its output goes to `log`, or nowhere.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace zol::test {

class Child {
  public:
    explicit Child(const std::vector<std::string>& args, const std::string& log = "/dev/null") {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                           0600);
        ::posix_spawn_file_actions_adddup2(&files, 1, 2);
        const int rc = ::posix_spawnp(&pid_, argv[0], &files, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&files);
        if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    }
    // Asked to end, and made to after two seconds.
    ~Child() {
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 40 && ::waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

  private:
    pid_t pid_ = 0;
};

// Polls `ready` every 50 ms for at most `seconds`; throws `what` when it never holds.
inline void wait_until(const std::function<bool()>& ready, int seconds, const std::string& what) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end) throw std::runtime_error(what);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace zol::test
