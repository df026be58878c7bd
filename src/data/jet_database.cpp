// The Jet database: a lazily filled in-memory copy that follows the file on disk.
#include "data/jet_database.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <vector>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet_header.h"
#include "data/jet_loader.h"
#include "data/sqlite_database.h"
#include "data/translate.h"

namespace zol {

namespace {

// What tells one state of the file from another.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtime_ns = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stamp_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        throw DbError(path, "無法開啟資料庫檔案（檔案不存在或沒有讀取權限）");
    }
    return {st.st_dev, st.st_ino, st.st_size,
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

std::string table_key(std::string name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    for (auto& ch : name) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return name;
}

class JetDatabase : public Database {
  public:
    JetDatabase(std::string path, const JetReadLimits& limits)
        : path_(std::move(path)), limits_(limits) {
        reset(stamp_of(path_));
    }

    ResultSet query(std::string_view access_sql) override {
        const std::vector<std::string> named = tables_named(access_sql);
        // A file replaced or rewritten since the copy was made means a new copy; a file
        // that changes while it is being read is read again, once.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (const FileStamp now = stamp_of(path_); !(now == stamp_)) reset(now);
            std::vector<std::string> wanted;
            for (const auto& name : named) {
                std::string key = table_key(name);
                if (key.empty() || known_.count(key)) continue;
                if (std::find(wanted.begin(), wanted.end(), key) == wanted.end()) {
                    wanted.push_back(std::move(key));
                }
            }
            if (wanted.empty()) break;
            try {
                load_jet_tables(db_.get(), path_, page_count_, wanted, limits_);
            } catch (const DbError&) {
                if (attempt == 0 && !(stamp_of(path_) == stamp_)) continue;
                throw;
            }
            // Missing tables are remembered too: SQLite reports them, no new read needed.
            known_.insert(wanted.begin(), wanted.end());
            if (stamp_of(path_) == stamp_) break;
        }
        return run_access_query(db_.get(), access_sql, path_);
    }

    const std::string& path() const override { return path_; }

  private:
    void reset(const FileStamp& stamp) {
        page_count_ = check_jet_file(path_).page_count;
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
        SqliteHandle fresh(raw);
        if (rc != SQLITE_OK) throw DbError(path_, "無法建立資料庫的記憶體副本");
        db_ = std::move(fresh);
        known_.clear();
        stamp_ = stamp;
    }

    std::string path_;
    JetReadLimits limits_;
    FileStamp stamp_;
    std::uint64_t page_count_ = 0;
    SqliteHandle db_;
    std::set<std::string> known_;  // tables loaded or found missing, in lower case
};

}  // namespace

bool looks_like_jet(const std::string& first_bytes) {
    if (first_bytes.size() < 19) return false;
    return first_bytes.compare(4, 15, "Standard Jet DB") == 0 ||
           first_bytes.compare(4, 15, "Standard ACE DB") == 0;
}

std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string& password) {
    return open_jet_database(path, password, JetReadLimits{});
}

std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string&,
                                            const JetReadLimits& limits) {
    return std::make_shared<JetDatabase>(path, limits);
}

}  // namespace zol
