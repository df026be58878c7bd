// A D-Bus session bus of the test's own, in a private folder, that starts no service by
// itself (so that nothing but what the test starts can appear on it). DBUS_SESSION_BUS_ADDRESS
// points at it; the bus and the folder go with the object.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/child_process.h"

namespace zol::test {

class DbusSession {
  public:
    DbusSession() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zol-dbus-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
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
    }
    ~DbusSession() {
        bus_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    DbusSession(const DbusSession&) = delete;
    DbusSession& operator=(const DbusSession&) = delete;

    // The bus's folder, for the files of the programs that use it.
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
    std::optional<Child> bus_;
};

}  // namespace zol::test
