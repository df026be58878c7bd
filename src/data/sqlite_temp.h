// SQLite's own temporary files (large sorts, temporary results) hold payment rows: they go
// to a private folder of this process (0700, under the system's temporary folder) instead of
// a folder every account shares, where others could see and reach them. The folder is removed
// with the object; one that a killed run left is removed by a later run.
#pragma once

#include <memory>

namespace zol {

class JetTempFolder;

class SqliteTempFolder {
  public:
    // Best effort: where no private folder can be made, SQLite keeps its own choice. Made
    // before the program's first SQLite call and kept until after its last.
    SqliteTempFolder();
    ~SqliteTempFolder();
    SqliteTempFolder(const SqliteTempFolder&) = delete;
    SqliteTempFolder& operator=(const SqliteTempFolder&) = delete;

  private:
    std::unique_ptr<JetTempFolder> folder_;
};

}  // namespace zol
