#include "data/database.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/package_path.h"
#include "core/unique_fd.h"
#include "data/database_file.h"
#include "data/db_error.h"
#include "data/jet/jet_database.h"
#include "data/sqlite_database.h"

namespace zol {

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3";  // followed by a NUL byte in the file

}  // namespace

std::shared_ptr<Database> open_database(std::string_view path_text, std::string_view password,
                                        const DataOptions& options) {
    const std::filesystem::path resolved = resolve_package_path(path_text);
    const std::string path = resolved.string();
    std::error_code ec;
    const auto status = std::filesystem::status(resolved, ec);
    if (!std::filesystem::exists(status)) throw DbError(path, "找不到資料庫檔案");
    if (!std::filesystem::is_regular_file(status)) {
        throw DbError(path, "這不是本程式能讀取的資料庫檔案 (不是一般檔案)");
    }
    // Only the first bytes: on a share every byte read costs.
    const UniqueFd in = open_database_file(path, options.admit);
    std::string head(100, '\0');
    const ssize_t got = read_full_at(in.get(), head.data(), head.size(), 0);
    if (got < 0) throw DbError(path, cannot_read_database(errno));
    head.resize(static_cast<std::size_t>(got));

    if (head.size() >= sizeof kSqliteMagic &&
        head.compare(0, sizeof kSqliteMagic, kSqliteMagic, sizeof kSqliteMagic) == 0) {
        auto db = SqliteDatabase::open_file(path);
        // SQLite opens the file by its name once more: it must have opened the file admitted.
        struct stat opened {
        }, now{};
        if (options.admit && (::fstat(in.get(), &opened) != 0 || ::stat(path.c_str(), &now) != 0 ||
                              opened.st_dev != now.st_dev || opened.st_ino != now.st_ino))
            throw DbError(path, kMsgDatabaseBusy);
        return db;
    }
    if (looks_like_jet(head)) return open_jet_database(path, std::string(password), options);
    throw DbError(path, "這不是本程式能讀取的資料庫檔案 (既非 Access 也非 SQLite 格式)");
}

}  // namespace zol
