// Which tables of the file one in-memory database holds, and the cached table files
// attached to it.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zol {

// Table names are kept in lower case: Access tells no case apart.
//
// SQLite attaches only so many databases to one connection, and one slot stays free for
// copying in a table that finds none: cached table files that the statement at hand does
// not name make room for those it does.
class LoadedTables {
  public:
    enum class Where { Attached, Memory, Missing };

    explicit LoadedTables(sqlite3* db);

    bool has(const std::string& table) const { return tables_.count(table) != 0; }
    // The tables of `needed` not loaded yet.
    std::vector<std::string> missing_from(const std::vector<std::string>& needed) const;
    // A table copied into the database, or one the file does not have.
    void note(const std::string& table, Where where) { tables_[table] = Entry{where, {}}; }
    // Attaches the cached table file `file` of `table` read-only, detaching files not in
    // `needed` when every slot is taken; false when none can go. Throws JetCacheUnavailable
    // when SQLite refuses the file.
    bool attach(const std::string& table, const std::filesystem::path& file,
                const std::vector<std::string>& needed);

  private:
    struct Entry {
        Where where;
        std::string schema;  // of an attached file
    };
    sqlite3* db_;
    int limit_;
    int used_ = 0;
    int schemas_ = 0;
    std::map<std::string, Entry> tables_;
};

}  // namespace zol
