#include "data/jet/jet_cache.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

#include "core/folder_entries.h"
#include "core/locked_temp.h"
#include "core/safe_open.h"
#include "core/text.h"
#include "data/jet/jet_snapshot.h"
#include "data/jet/state_record.h"
#include "data/sqlite_database.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFillPrefix = ".fill.";
constexpr const char* kLockName = kFolderLockName;
constexpr std::string_view kTableSuffix = ".sqlite";

bool is_table_file_name(std::string_view name) {
    return name.size() > kTableSuffix.size() && name.ends_with(kTableSuffix);
}

// Folders of this version ("v2-" and the digest's hex digits) and of the first one (16 hex
// digits, keyed by the file's stat), which are pruned like the others.
bool is_folder_name(const std::string& name) {
    const auto hex_digits = [](std::string_view s) {
        return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
    };
    if (name.size() == 16) return hex_digits(name);
    const auto dash = name.find('-');
    return name.size() > 2 && name[0] == 'v' && dash != std::string::npos &&
           name.size() - dash - 1 == kDigestHexDigits &&
           hex_digits(std::string_view(name).substr(dash + 1));
}

SqliteHandle open_table_file(const fs::path& file, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) db.reset();
    return db;
}

StmtHandle prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* s = nullptr;
    const int rc = db ? sqlite3_prepare_v2(db, sql, -1, &s, nullptr) : SQLITE_MISUSE;
    StmtHandle stmt(s);
    if (rc != SQLITE_OK) stmt.reset();
    return stmt;
}

// Whether the table file's own record names this folder's content and this table: a file
// put here from another content's folder has bytes that match its name all the same.
bool names_content_and_table(const fs::path& file, const std::string& key,
                             const std::string& table) {
    const SqliteHandle db = open_table_file(file, SQLITE_OPEN_READONLY);
    const StmtHandle s = prepare(db.get(), "SELECT key, table_name FROM zol_cache_meta");
    return s && sqlite3_step(s.get()) == SQLITE_ROW &&
           reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)) == key &&
           reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1)) == table &&
           sqlite3_step(s.get()) == SQLITE_DONE;
}

// The digest of a file's bytes; nullopt when it cannot be read or is not this user's own
// regular file that nobody else may change.
std::optional<Digest> digest_of_file(const fs::path& file) {
    const UniqueFd f = open_regular(file, O_RDONLY);
    struct stat st {};
    if (!f || ::fstat(f.get(), &st) != 0 || !owned_privately(st)) return std::nullopt;
    return digest_of(f.get());
}

}  // namespace

std::optional<fs::path> jet_cache_root() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return fs::path(xdg) / "zol5300";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return fs::path(home) / ".cache" / "zol5300";
    return std::nullopt;
}

JetCacheFill::JetCacheFill(JetCacheFill&& o) noexcept
    : path_(std::exchange(o.path_, {})), fd_(std::move(o.fd_)) {}

JetCacheFill::~JetCacheFill() {
    std::error_code ec;
    if (!path_.empty()) fs::remove(path_, ec);
}

void JetCacheFill::release() {
    path_.clear();
    fd_.reset();
}

JetCacheFolder::JetCacheFolder(fs::path root, const Digest& content)
    : root_(std::move(root)),
      dir_(root_ / cat("v", std::to_string(kJetCacheVersion), "-", content.hex())),
      key_(content.hex()) {
    // Another process may prune the folder between its making and its locking: the lock is
    // only good on the lock file that is still in the folder.
    for (int attempt = 0; attempt < 4 && !lock_; ++attempt) {
        // Only folders of this user that nobody else may write to: anyone who can write
        // there could put tables of their own making under a digest's name.
        for (const fs::path& folder : {root_, dir_}) {
            if (const std::string why = make_private_folder(folder); !why.empty())
                throw JetCacheUnavailable(why);
        }
        const fs::path lock = dir_ / kLockName;
        UniqueFd fd = open_regular(lock, O_RDWR | O_CREAT, 0600);
        if (!fd) continue;
        struct stat held {
        }, named{};
        if (::flock(fd.get(), LOCK_SH) == 0 && ::fstat(fd.get(), &held) == 0 &&
            ::stat(lock.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev) {
            lock_ = std::move(fd);
        }
    }
    if (!lock_ || ::access(dir_.c_str(), W_OK | X_OK) != 0) {
        throw JetCacheUnavailable("無法使用快取資料夾 " + dir_.string());
    }
    remove_dead_temp_files(dir_, kFillPrefix);
}

std::string JetCacheFolder::table_stem(const std::string& table) const {
    std::string name;
    for (unsigned char c : table) {
        const unsigned char lower = to_lower_ascii(c);
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '_') {
            name += static_cast<char>(lower);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02x", lower);
            name += buf;
        }
    }
    return name + "-";
}

bool WholeTableFiles::has(const FileStamp& stamp) const {
    return std::find(stamps_.begin(), stamps_.end(), stamp) != stamps_.end();
}

std::optional<fs::path> JetCacheFolder::find(const std::string& table, WholeTableFiles& whole) {
    const std::string stem = table_stem(table);
    std::error_code ec;
    for (const auto& entry : folder_entries(dir_)) {
        const std::string name = entry.path().filename().string();
        // stem, digest, suffix
        if (name.size() != stem.size() + kDigestHexDigits + kTableSuffix.size() ||
            !name.starts_with(stem) || !is_table_file_name(name)) {
            continue;
        }
        // Only this user's own regular file that nobody else may have changed.
        const UniqueFd f = open_regular(entry.path(), O_RDONLY);
        struct stat st {};
        if (!f || ::fstat(f.get(), &st) != 0 || !owned_privately(st)) continue;
        const FileStamp stamp = file_stamp(st);
        const std::string_view named = std::string_view(name).substr(stem.size(), kDigestHexDigits);
        // Found whole before, by this process or (its record tells) an earlier one, and not
        // written since: its stamp tells, as for the Jet file.
        if (whole.has(stamp)) return entry.path();
        if (const auto record = find_state_record(dir_, stamp);
            record && record->state.digest.hex() == named) {
            whole.add(stamp);
            return entry.path();
        }
        const long long began = wall_clock_ns();
        const auto digest = digest_of(f.get());
        if (digest && digest->hex() == named &&
            names_content_and_table(entry.path(), key_, table)) {
            whole.add(stamp);
            write_state_record(dir_, StateRecord{FileState{stamp, *digest}, began});
            return entry.path();
        }
        // Damaged or cut short since it was sealed: it is read again.
        fs::remove(entry.path(), ec);
    }
    return std::nullopt;
}

JetCacheFill JetCacheFolder::temp_file() const {
    auto temp = create_locked_temp(dir_, kFillPrefix, 0600);
    if (!temp) throw JetCacheUnavailable("無法在快取資料夾建立檔案 " + dir_.string());
    return JetCacheFill(temp->path, std::move(temp->fd));
}

fs::path JetCacheFolder::seal(JetCacheFill& fill, const std::string& table) const {
    const fs::path& temp = fill.path();
    SqliteHandle db = open_table_file(temp, SQLITE_OPEN_READWRITE);
    bool ok = db && sqlite3_exec(db.get(),
                                 "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                                 "CREATE TABLE zol_cache_meta(key TEXT, table_name TEXT);",
                                 nullptr, nullptr, nullptr) == SQLITE_OK;
    {
        const StmtHandle s =
            ok ? prepare(db.get(), "INSERT INTO zol_cache_meta VALUES (?, ?)") : StmtHandle();
        ok = s && sqlite3_bind_text(s.get(), 1, key_.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
             sqlite3_bind_text(s.get(), 2, table.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
             sqlite3_step(s.get()) == SQLITE_DONE;
    }
    ok = ok && sqlite3_exec(
                   db.get(),
                   ("PRAGMA user_version=" + std::to_string(kJetCacheVersion) + "; COMMIT").c_str(),
                   nullptr, nullptr, nullptr) == SQLITE_OK;
    // Closed before its bytes are digested; one that fails to close is closed on the way out.
    ok = ok && sqlite3_close(db.get()) == SQLITE_OK;
    if (ok) db.release();
    const auto digest = ok ? digest_of_file(temp) : std::nullopt;
    const fs::path target =
        dir_ / (table_stem(table) + (digest ? digest->hex() : "") + std::string(kTableSuffix));
    // Readers see the old file or the new one whole, never a file being written.
    if (!digest || ::rename(temp.c_str(), target.c_str()) != 0) {
        throw JetCacheUnavailable("無法寫入快取檔案 " + target.string());
    }
    fill.release();
    return target;
}

void JetCacheFolder::discard() const {
    std::error_code ec;
    for (const auto& entry : folder_entries(dir_)) {
        const std::string name = entry.path().filename().string();
        if (is_table_file_name(name)) {
            fs::remove(entry.path(), ec);
        }
    }
}

void JetCacheFolder::touch_and_prune() const {
    std::error_code ec;
    fs::last_write_time(dir_, fs::file_time_type::clock::now(), ec);
    std::vector<std::pair<fs::file_time_type, fs::path>> folders;
    for (const auto& entry : folder_entries(root_)) {
        if (!entry.is_directory(ec) || !is_folder_name(entry.path().filename().string())) continue;
        folders.emplace_back(entry.last_write_time(ec), entry.path());
    }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) { return a > b; });
    for (std::size_t i = kJetCacheKeep; i < folders.size(); ++i) {
        const fs::path& folder = folders[i].second;
        if (folder == dir_) continue;
        const UniqueFd lock = open_regular(folder / kLockName, O_RDONLY);
        // A folder that a running process holds stays; it is pruned by a later run. The lock
        // is kept while the folder goes, so that nobody takes it up meanwhile.
        if (lock && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) continue;
        fs::remove_all(folder, ec);
    }
}

std::string read_only_uri(const fs::path& file) {
    std::string uri = "file:";
    for (unsigned char c : file.string()) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            uri += buf;
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?mode=ro";
}

}  // namespace zol
