#include "data/jet/jet_cache.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>
#include <vector>

#include "data/db_error.h"
#include "data/jet/file_stamp.h"
#include "data/jet/jet_header.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

std::uint64_t fnv1a(std::string_view bytes) {
    std::uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

std::string hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

bool is_folder_name(const std::string& name) {
    return name.size() == 16 && name.find_first_not_of("0123456789abcdef") == std::string::npos;
}

struct Db {
    sqlite3* db = nullptr;
    ~Db() { sqlite3_close_v2(db); }
};

}  // namespace

std::optional<fs::path> jet_cache_root() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return fs::path(xdg) / "zol5300";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return fs::path(home) / ".cache" / "zol5300";
    return std::nullopt;
}

std::string jet_file_key(const std::string& path) {
    const Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0) {
        throw DbError(path, "無法開啟資料庫檔案（檔案不存在或沒有讀取權限）");
    }
    std::string page(kJet4PageSize, '\0');
    const ssize_t got = ::pread(f.fd, page.data(), page.size(), 0);
    page.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    const FileStamp stamp = file_stamp(st);
    return std::to_string(stamp.device) + ":" + std::to_string(stamp.inode) + ":" +
           std::to_string(stamp.size) + ":" + std::to_string(stamp.mtime_ns) + ":" +
           hex(fnv1a(page));
}

JetCacheFolder::JetCacheFolder(fs::path root, std::string key)
    : root_(std::move(root)), dir_(root_ / hex(fnv1a(key))), key_(std::move(key)) {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec) throw JetCacheUnavailable("無法建立快取資料夾 " + dir_.string());
    ::chmod(root_.c_str(), 0700);
    ::chmod(dir_.c_str(), 0700);
    if (::access(dir_.c_str(), W_OK | X_OK) != 0) {
        throw JetCacheUnavailable("無法寫入快取資料夾 " + dir_.string());
    }
}

fs::path JetCacheFolder::table_file(const std::string& table) const {
    std::string name;
    for (unsigned char c : table) {
        const unsigned char lower = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '_') {
            name += static_cast<char>(lower);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02x", lower);
            name += buf;
        }
    }
    return dir_ / (name + ".sqlite");
}

bool JetCacheFolder::holds(const fs::path& file) const {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) return false;
    Db d;
    if (sqlite3_open_v2(read_only_uri(file).c_str(), &d.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                        nullptr) != SQLITE_OK) {
        return false;
    }
    sqlite3_stmt* s = nullptr;
    const char* sql =
        "SELECT (SELECT user_version FROM pragma_user_version),"
        " (SELECT page_count FROM pragma_page_count), (SELECT page_size FROM pragma_page_size),"
        " key FROM zol_cache_meta";
    bool ok = false;
    if (sqlite3_prepare_v2(d.db, sql, -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
        const auto* key = reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
        // A file cut short says more pages than it has.
        ok = sqlite3_column_int(s, 0) == kJetCacheVersion &&
             static_cast<std::uintmax_t>(sqlite3_column_int64(s, 1) * sqlite3_column_int64(s, 2)) ==
                 size &&
             key && key_ == key;
    }
    sqlite3_finalize(s);
    return ok;
}

fs::path JetCacheFolder::temp_file() const {
    std::random_device rd;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const fs::path p =
            dir_ / (".fill." + std::to_string(::getpid()) + "." + std::to_string(rd()) + ".tmp");
        const int fd = ::open(p.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return p;
        }
        if (errno != EEXIST) break;
    }
    throw JetCacheUnavailable("無法在快取資料夾建立檔案 " + dir_.string());
}

void JetCacheFolder::seal(const fs::path& temp, const std::string& table) const {
    Db d;
    bool ok = sqlite3_open_v2(temp.c_str(), &d.db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    sqlite3_stmt* s = nullptr;
    ok = ok &&
         sqlite3_exec(d.db,
                      "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                      "CREATE TABLE zol_cache_meta(key TEXT, table_name TEXT);",
                      nullptr, nullptr, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(d.db, "INSERT INTO zol_cache_meta VALUES (?, ?)", -1, &s, nullptr) ==
             SQLITE_OK &&
         sqlite3_bind_text(s, 1, key_.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
         sqlite3_bind_text(s, 2, table.c_str(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
         sqlite3_step(s) == SQLITE_DONE;
    sqlite3_finalize(s);
    ok = ok &&
         sqlite3_exec(
             d.db, ("PRAGMA user_version=" + std::to_string(kJetCacheVersion) + "; COMMIT").c_str(),
             nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_close(d.db) == SQLITE_OK;
    if (ok) d.db = nullptr;
    // Readers see the old file or the new one whole, never a file being written.
    if (!ok || ::rename(temp.c_str(), table_file(table).c_str()) != 0) {
        throw JetCacheUnavailable("無法寫入快取檔案 " + table_file(table).string());
    }
}

void JetCacheFolder::discard() const {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void JetCacheFolder::touch_and_prune() const {
    std::error_code ec;
    fs::last_write_time(dir_, fs::file_time_type::clock::now(), ec);
    std::vector<std::pair<fs::file_time_type, fs::path>> folders;
    for (const auto& entry : fs::directory_iterator(root_, ec)) {
        if (!entry.is_directory(ec) || !is_folder_name(entry.path().filename().string())) continue;
        folders.emplace_back(entry.last_write_time(ec), entry.path());
    }
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) { return a > b; });
    for (std::size_t i = kJetCacheKeep; i < folders.size(); ++i) {
        if (folders[i].second != dir_) fs::remove_all(folders[i].second, ec);
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
