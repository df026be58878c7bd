// An X server of the test's own: Xvfb on a free display (-displayfd), of the given screen
// size (1920 x 1080 unless told), no window manager. DISPLAY points at it; the server ends
// with the object.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <string>

extern char** environ;

namespace zol::test {

class Xvfb {
  public:
    // `size` as "WIDTHxHEIGHT".
    explicit Xvfb(const std::string& size = "1920x1080") {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
        std::string fd = std::to_string(fds[1]);
        const std::string screen = size + "x24";
        const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                              screen.c_str(), "-nolisten",  "tcp",      "-noreset", nullptr};
        const int rc =
            ::posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ);
        ::close(fds[1]);
        std::string display = ":";
        for (char c = 0; rc == 0 && ::read(fds[0], &c, 1) == 1 && c != '\n';) display += c;
        ::close(fds[0]);
        if (rc != 0 || display == ":") {
            stop();
            throw std::runtime_error("Xvfb did not start");
        }
        ::setenv("DISPLAY", display.c_str(), 1);
    }
    ~Xvfb() { stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

  private:
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_ = 0;
    }

    pid_t pid_ = 0;
};

}  // namespace zol::test
