// The private folder of table files, and copying a table file into the in-memory database.
#include "data/jet/table_file_import.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <system_error>

#include "core/folder_entries.h"
#include "core/locked_temp.h"
#include "core/safe_open.h"
#include "core/text.h"
#include "data/db_error.h"
#include "data/jet/jet_indexes.h"
#include "data/sql_quote.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTempFolderPrefix = "zol5300-jet-";
constexpr const char* kLockName = kFolderLockName;

void exec(sqlite3* db, const std::string& sql, const std::string& path) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw DbError(path, std::string("無法建立資料庫的記憶體副本：") + sqlite3_errmsg(db));
    }
}

}  // namespace

JetTempFolder::JetTempFolder(const std::string& path) : path_(path) {
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    // Folders of runs that died: their lock file is there and nobody holds it.
    for (const auto& entry : folder_entries(temp)) {
        if (entry.path().filename().string().rfind(kTempFolderPrefix, 0) != 0) continue;
        // Nobody takes a dead run's private folder up again: it may go once its lock is free.
        std::error_code ignored;
        if (held_by_nobody(entry.path() / kLockName)) fs::remove_all(entry.path(), ignored);
    }
    std::string pattern = (temp / (std::string(kTempFolderPrefix) + "XXXXXX")).string();
    if (ec || !::mkdtemp(pattern.data())) {
        throw DbError(path, "無法建立讀取資料庫所需的暫存資料夾");
    }
    dir_ = pattern;
    lock_ = open_regular(dir_ / kLockName, O_RDWR | O_CREAT | O_EXCL, 0600);
    if (lock_) ::flock(lock_.get(), LOCK_EX);
}

JetTempFolder::~JetTempFolder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::vector<JetChildJob> JetTempFolder::jobs(const std::vector<std::string>& tables) const {
    std::vector<JetChildJob> jobs;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const fs::path file = dir_ / cat("t", std::to_string(i), ".sqlite");
        const UniqueFd fd(::open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
        if (!fd) throw DbError(path_, "無法建立讀取資料庫所需的暫存檔案");
        jobs.push_back({tables[i], file.string()});
    }
    return jobs;
}

std::string import_table_file(sqlite3* db, const fs::path& file, const std::string& path) {
    exec(db, "ATTACH DATABASE " + sql_text(file.string()) + " AS jet_import", path);
    std::string name;
    try {
        sqlite3_stmt* s = nullptr;
        std::string create;
        if (sqlite3_prepare_v2(db,
                               "SELECT name, sql FROM jet_import.sqlite_master WHERE type = "
                               "'table' AND name <> 'zol_cache_meta'",
                               -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            name = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            create = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
        }
        sqlite3_finalize(s);
        if (name.empty()) throw DbError(path, "讀取資料庫時資料不完整");
        exec(db, create, path);
        exec(db,
             "INSERT INTO main." + sql_identifier(name) + " SELECT * FROM jet_import." +
                 sql_identifier(name),
             path);
        add_lookup_indexes(db, name);
    } catch (...) {
        sqlite3_exec(db, "DETACH DATABASE jet_import", nullptr, nullptr, nullptr);
        throw;
    }
    exec(db, "DETACH DATABASE jet_import", path);
    return name;
}

}  // namespace zol
