// The Chinese input method of a Taiwanese office on the test's X server: a D-Bus session
// bus of its own and fcitx5 with Chewing (as the input method beside the US keyboard),
// which the Qt programs started afterwards reach through QT_IM_MODULE=fcitx. Both end with
// the object.
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

namespace zol::test {

class FcitxSession {
  public:
    FcitxSession() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zol-fcitx-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        std::filesystem::create_directories(dir_ / "fcitx5");
        std::ofstream(dir_ / "fcitx5" / "profile")
            << "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=chewing\n\n"
               "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
               "[Groups/0/Items/1]\nName=chewing\nLayout=\n\n[GroupOrder]\n0=Default\n";
        // A bus that starts no service by itself, so that no second fcitx5 can appear on it.
        std::ofstream(dir_ / "bus.conf")
            << "<busconfig><type>session</type><listen>unix:dir=" << dir_.string()
            << "</listen><policy context=\"default\"><allow send_destination=\"*\" "
               "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
               "</busconfig>\n";
        bus_.emplace(
            std::vector<std::string>{"dbus-daemon", "--config-file=" + (dir_ / "bus.conf").string(),
                                     "--nofork", "--print-address=1"},
            (dir_ / "bus.address").string());
        std::string address;
        wait_until(
            [&] {
                std::ifstream in(dir_ / "bus.address");  // with the bus's own messages
                while (std::getline(in, address))
                    if (address.starts_with("unix:")) return true;
                return false;
            },
            20, "no D-Bus session bus");
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        fcitx_.emplace(std::vector<std::string>{"fcitx5",
                                                "--disable=wayland,waylandim,kimpanel,"
                                                "notificationitem,notifications"},
                       (dir_ / "fcitx5.log").string());
        // fcitx5-remote fails until fcitx5 answers on the bus.
        wait_until([] { return std::system("fcitx5-remote >/dev/null 2>&1") == 0; }, 30,
                   "fcitx5 did not start");
        ::setenv("QT_IM_MODULE", "fcitx", 1);
    }
    ~FcitxSession() {
        fcitx_.reset();
        bus_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    FcitxSession(const FcitxSession&) = delete;
    FcitxSession& operator=(const FcitxSession&) = delete;

  private:
    std::filesystem::path dir_;
    std::optional<Child> bus_;
    std::optional<Child> fcitx_;
};

}  // namespace zol::test
