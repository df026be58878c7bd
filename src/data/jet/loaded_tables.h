// Which tables of the file one in-memory copy holds, and the cached table files attached to
// its SQLite connection.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zol {

// Table names are kept in lower case: Access tells no case apart.
class LoadedTables {
  public:
    enum class Where { Attached, Memory, Missing };

    bool has(const std::string& table) const { return tables_.count(table) != 0; }
    // The tables of `needed` not loaded yet.
    std::vector<std::string> missing_from(const std::vector<std::string>& needed) const;
    void note(const std::string& table, Where where, std::string schema = {});
    void clear() { tables_.clear(); }

  private:
    friend class AttachSlots;
    struct Entry {
        Where where;
        std::string schema;  // of an attached copy
    };
    std::map<std::string, Entry> tables_;
};

// SQLite attaches only so many databases to one connection, and one slot stays free for
// importing a table that finds none: copies that the statement at hand does not name make
// room for those it does.
class AttachSlots {
  public:
    explicit AttachSlots(sqlite3* db);
    // Attaches the copy `file` of `table` read-only and notes it in `loaded`, detaching
    // copies not in `needed` when every slot is taken; false when none can go. Throws
    // JetCacheUnavailable when SQLite refuses the file.
    bool attach(const std::string& table, const std::filesystem::path& file,
                const std::vector<std::string>& needed, LoadedTables& loaded);

  private:
    sqlite3* db_;
    int limit_;
    int used_ = 0;
    int schemas_ = 0;
};

}  // namespace zol
