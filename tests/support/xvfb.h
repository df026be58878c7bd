// An X server of the test's own: Xvfb on a free display (-displayfd), 1920 x 1080, no
// window manager. DISPLAY points at it while it runs; the server ends with the object.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace zol::test {

class Xvfb {
  public:
    Xvfb() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(fds[1]),
                                      "-screen",   "0",          "1920x1080x24",
                                      "-nolisten", "tcp",        "-noreset"};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = ::posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (rc == 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (rc != 0 || number.empty()) {
            stop();
            throw std::runtime_error("Xvfb did not start");
        }
        display_ = ":" + number;
        ::setenv("DISPLAY", display_.c_str(), 1);
    }
    ~Xvfb() { stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& display() const { return display_; }

  private:
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0) {
        }
        pid_ = 0;
    }

    pid_t pid_ = 0;
    std::string display_;
};

}  // namespace zol::test
