// A small package database in the SQLite form, written with the sqlite3 C API, with
// rows whose report results are known (see package_db.cpp for the rows).
#pragma once

#include <filesystem>
#include <string>

namespace zol::test {

// A fresh directory under the system temp dir, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Writes the database to `file` (directories are created).
void write_package_db(const std::filesystem::path& file);

// Runs statements on `file` through an ordinary writable connection.
void exec_on(const std::filesystem::path& file, const std::string& sql);

std::string file_bytes(const std::filesystem::path& file);

}  // namespace zol::test
