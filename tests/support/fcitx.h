// The Chinese input method of a Taiwanese office on the test's X server: a D-Bus session
// bus of its own (support/dbus_session.h) and fcitx5 with Chewing (as the input method beside the
// US keyboard), which the Qt programs started afterwards reach through QT_IM_MODULE=fcitx. Both end
// with the object.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "support/child_process.h"
#include "support/dbus_session.h"

namespace zol::test {

class FcitxSession {
  public:
    FcitxSession() {
        const std::filesystem::path& dir = bus_.dir();
        std::filesystem::create_directories(dir / "fcitx5");
        std::ofstream(dir / "fcitx5" / "profile")
            << "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=chewing\n\n"
               "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
               "[Groups/0/Items/1]\nName=chewing\nLayout=\n\n[GroupOrder]\n0=Default\n";
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        fcitx_.emplace(std::vector<std::string>{"fcitx5",
                                                "--disable=wayland,waylandim,kimpanel,"
                                                "notificationitem,notifications"},
                       (dir / "fcitx5.log").string());
        // fcitx5-remote fails until fcitx5 answers on the bus.
        wait_until([] { return std::system("fcitx5-remote >/dev/null 2>&1") == 0; }, 30,
                   "fcitx5 did not start");
        ::setenv("QT_IM_MODULE", "fcitx", 1);
    }
    FcitxSession(const FcitxSession&) = delete;
    FcitxSession& operator=(const FcitxSession&) = delete;

  private:
    DbusSession bus_;  // first in, last out
    std::optional<Child> fcitx_;
};

}  // namespace zol::test
