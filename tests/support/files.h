// Temporary folders and whole-file reads and writes for tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace zol::test {

namespace fs = std::filesystem;

// The permission bits of the name itself (a link's own, not its target's); 0 when missing.
inline mode_t mode_of(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A new empty directory under the system's temporary directory.
inline fs::path make_temp_dir(const std::string& prefix = "zol_test_") {
    std::string tmpl = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed for " + tmpl);
    return tmpl;
}

// A temporary directory removed with everything in it.
class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "zol_test_") : path_(make_temp_dir(prefix)) {}
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const fs::path& name) const { return path_ / name; }

  private:
    fs::path path_;
};

inline std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// A file under tests/fixtures.
inline fs::path fixture(const std::string& name) {
    return fs::path(ZOL_SOURCE_DIR) / "tests" / "fixtures" / name;
}

}  // namespace zol::test
