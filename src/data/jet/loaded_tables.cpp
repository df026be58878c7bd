#include "data/jet/loaded_tables.h"

#include <algorithm>

#include "data/jet/jet_cache.h"
#include "data/sql_quote.h"
#include "data/sqlite_reason.h"

namespace zol {

std::vector<std::string> LoadedTables::missing_from(const std::vector<std::string>& needed) const {
    std::vector<std::string> out;
    for (const auto& table : needed) {
        if (!has(table)) out.push_back(table);
    }
    return out;
}

LoadedTables::LoadedTables(sqlite3* db)
    : db_(db), limit_(sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, -1) - 1) {}

bool LoadedTables::attach(const std::string& table, const std::filesystem::path& file,
                          const std::vector<std::string>& needed) {
    for (auto it = tables_.begin(); used_ >= limit_ && it != tables_.end();) {
        const bool in_use = std::find(needed.begin(), needed.end(), it->first) != needed.end();
        if (it->second.where != Where::Attached || in_use ||
            sqlite3_exec(db_, ("DETACH DATABASE " + it->second.schema).c_str(), nullptr, nullptr,
                         nullptr) != SQLITE_OK) {
            ++it;
            continue;
        }
        --used_;
        it = tables_.erase(it);
    }
    if (used_ >= limit_) return false;
    const std::string schema = "jc" + std::to_string(++schemas_);
    if (sqlite3_exec(db_,
                     ("ATTACH DATABASE " + sql_text(read_only_uri(file)) + " AS " + schema).c_str(),
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        // The file was found whole or written a moment ago: an engine that finds it damaged
        // now could not read it, and only a reason of its own says more.
        const int rc = sqlite3_errcode(db_);
        const std::string why = rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB
                                    ? std::string()
                                    : "（" + sqlite_reason(db_) + "）";
        throw JetCacheUnavailable("無法讀取快取檔案 " + file.string() + why);
    }
    ++used_;
    tables_[table] = Entry{Where::Attached, schema};
    return true;
}

}  // namespace zol
