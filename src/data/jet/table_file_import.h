// Table files outside the cache: the private folder the reading children fill them in, and
// copying a filled one into the in-memory database.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/unique_fd.h"
#include "data/data_options.h"
#include "data/jet/jet_reader_children.h"

namespace zol {

// A private folder for table files (0700, under the system's temporary folder), removed
// with everything in it. It is held (a lock file inside) while it lives, so that making
// one also removes those that runs which died left behind. Throws DbError naming `path`
// when it cannot be made.
class JetTempFolder {
  public:
    explicit JetTempFolder(const std::string& path);
    ~JetTempFolder();
    JetTempFolder(const JetTempFolder&) = delete;
    JetTempFolder& operator=(const JetTempFolder&) = delete;
    // Makes the empty files (0600) for the reading children, one per table.
    std::vector<JetChildJob> jobs(const std::vector<std::string>& tables) const;
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::string path_;
    std::filesystem::path dir_;
    UniqueFd lock_;
};

// Copies the table of a filled table file into the main schema of `db`; returns its name
// as the file spells it. Throws DbError naming `path`.
std::string import_table_file(sqlite3* db, const std::filesystem::path& file,
                              const std::string& path);

}  // namespace zol
