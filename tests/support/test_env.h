// Test binaries find the programs they run through the environment; ctest and a direct
// run of a test binary both get the paths of this build. Jet tables that tests read are
// cached in a folder of this test process (its children included), never the user's.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace zol::test {

// The test process's own cache folder, removed when the process ends.
class TestCacheHome {
  public:
    TestCacheHome() {
        std::error_code ec;
        std::string pattern =
            (std::filesystem::temp_directory_path(ec) / "zol5300-test-cache-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TestCacheHome() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TestCacheHome(const TestCacheHome&) = delete;
    TestCacheHome& operator=(const TestCacheHome&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline void set_default_environment() {
    setenv("ZOL5300_BIN", ZOL5300_BIN_PATH, 0);
    setenv("ZOL5300P1_BIN", ZOL5300P1_BIN_PATH, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static const TestCacheHome cache_home;
    setenv("XDG_CACHE_HOME", cache_home.path().c_str(), 1);
}

}  // namespace zol::test
