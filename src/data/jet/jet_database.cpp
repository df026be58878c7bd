// The Jet database: tables attached from the cache folder or copied into memory, loaded as
// statements name them, and loaded afresh when the file on disk changes.
#include "data/jet/jet_database.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/file_stamp.h"
#include "data/jet/jet_cache.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_loader.h"
#include "data/sqlite_database.h"
#include "data/streamed_rows.h"
#include "data/translate.h"

namespace zol {

namespace {

FileStamp stamp_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        throw DbError(path, "無法開啟資料庫檔案（檔案不存在或沒有讀取權限）");
    }
    return file_stamp(st);
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
    JetDatabase(std::string path, const JetReadLimits& limits, const DataOptions& options)
        : path_(std::move(path)),
          limits_(limits),
          use_cache_(options.use_cache),
          progress_(options.progress) {
        reset(stamp_of(path_));
    }

    ResultSet query(std::string_view access_sql) override {
        return with_sound_copy(
            [&] { return run_access_query(db_.get(), access_sql, path_, progress_); }, access_sql);
    }

    std::unique_ptr<RowSource> stream(std::string_view access_sql,
                                      const ProgressFn& progress) override {
        return with_sound_copy(
            [&] { return stream_access_query(db_.get(), access_sql, path_, progress); },
            access_sql);
    }

    void set_progress(ProgressFn progress) override { progress_ = std::move(progress); }
    const std::string& path() const override { return path_; }

  private:
    // Runs `run` on the loaded tables. A kept copy damaged inside (its size and stamp
    // were right) shows only when it is read: it is thrown away, and the statement runs
    // once more on tables read afresh.
    template <typename Run>
    auto with_sound_copy(const Run& run, std::string_view access_sql) -> decltype(run()) {
        make_ready(access_sql);
        try {
            return run();
        } catch (const DbError&) {
            const int code = sqlite3_errcode(db_.get());
            if (!folder_ || (code != SQLITE_CORRUPT && code != SQLITE_NOTADB)) throw;
        }
        folder_->discard();
        reset(stamp_);
        make_ready(access_sql);
        return run();
    }

    // Loads the tables the statement names that this copy does not have yet.
    void make_ready(std::string_view access_sql) {
        std::vector<std::string> needed;
        for (const auto& name : tables_named(access_sql)) {
            std::string key = table_key(name);
            const bool bracketed = name.size() >= 2 && name.front() == '[' && name.back() == ']';
            spelled_[key] = bracketed ? name.substr(1, name.size() - 2) : name;
            if (!key.empty() && std::find(needed.begin(), needed.end(), key) == needed.end()) {
                needed.push_back(std::move(key));
            }
        }
        // A file replaced or rewritten since the copy was made means a new copy; a file
        // that changes while it is being read is read again, once.
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (const FileStamp now = stamp_of(path_); !(now == stamp_)) reset(now);
            std::vector<std::string> wanted;
            for (const auto& key : needed) {
                if (!known_.count(key)) wanted.push_back(key);
            }
            if (wanted.empty()) break;
            try {
                load(wanted, needed);
            } catch (const DbError&) {
                if (attempt == 0 && !(stamp_of(path_) == stamp_)) continue;
                throw;
            }
            if (stamp_of(path_) == stamp_) break;
        }
    }

    void load(const std::vector<std::string>& wanted, const std::vector<std::string>& needed) {
        std::vector<std::string> left = wanted;
        if (folder_) {
            try {
                left = load_through_cache(wanted, needed);
            } catch (const JetCacheUnavailable&) {
                folder_.reset();  // this process goes on from memory
                left.clear();
                for (const auto& key : wanted) {
                    if (!known_.count(key)) left.push_back(key);
                }
            }
        }
        if (!left.empty()) load_privately(left, needed);
    }

    // Reads tables into files of a private folder and attaches them; the folder goes at
    // once (the attached files stay open), so nothing of them outlives this process.
    // A table that finds no room to attach is copied into memory.
    void load_privately(const std::vector<std::string>& tables,
                        const std::vector<std::string>& needed) {
        const JetTempFolder folder(path_);
        std::vector<std::string> names;
        for (const auto& key : tables) names.push_back(spelled_[key]);
        const std::vector<JetChildJob> jobs = folder.jobs(names);
        const auto outcomes = run_jet_children(path_, page_count_, jobs, limits_, progress_);
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            bool attached = false;
            if (!outcomes[i].missing) {
                try {
                    attached = attach(tables[i], jobs[i].table_file, needed);
                } catch (const JetCacheUnavailable&) {
                }
                if (!attached) import_table_file(db_.get(), jobs[i].table_file, path_);
            }
            // A missing table is remembered too: SQLite reports it, no new read needed.
            if (!attached) known_[tables[i]] = "";
        }
    }

    // Attaches the kept copies, reads the others into the cache first. Returns the tables
    // that could not be attached (no room for one more).
    std::vector<std::string> load_through_cache(const std::vector<std::string>& wanted,
                                                const std::vector<std::string>& needed) {
        std::vector<std::string> to_read;
        for (const auto& key : wanted) {
            const auto file = folder_->table_file(key);
            if (folder_->holds(file)) {
                attach(key, file, needed);
            } else {
                to_read.push_back(key);
            }
        }
        std::vector<std::string> left;
        if (!to_read.empty()) {
            std::vector<JetChildJob> jobs;
            std::vector<TempFile> temps;
            for (const auto& key : to_read) {
                temps.emplace_back(folder_->temp_file());
                jobs.push_back({spelled_[key], temps.back().path.string()});
            }
            const auto outcomes = run_jet_children(path_, page_count_, jobs, limits_, progress_);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (outcomes[i].missing) {
                    known_[to_read[i]] = "";
                    continue;
                }
                folder_->seal(temps[i].path, to_read[i]);
                temps[i].path.clear();
                if (!attach(to_read[i], folder_->table_file(to_read[i]), needed)) {
                    left.push_back(to_read[i]);
                }
            }
        }
        folder_->touch_and_prune();
        return left;
    }

    // Attaches a kept copy read-only, making room by detaching copies the statement does
    // not need; false when there is no room.
    bool attach(const std::string& key, const std::filesystem::path& file,
                const std::vector<std::string>& needed) {
        const int limit = sqlite3_limit(db_.get(), SQLITE_LIMIT_ATTACHED, -1);
        for (auto it = known_.begin(); attached_ >= limit && it != known_.end();) {
            const bool in_use = std::find(needed.begin(), needed.end(), it->first) != needed.end();
            if (it->second.empty() || in_use ||
                sqlite3_exec(db_.get(), ("DETACH DATABASE " + it->second).c_str(), nullptr, nullptr,
                             nullptr) != SQLITE_OK) {
                ++it;
                continue;
            }
            --attached_;
            it = known_.erase(it);
        }
        if (attached_ >= limit) return false;
        const std::string schema = "jc" + std::to_string(++schemas_);
        std::string uri;
        for (char ch : read_only_uri(file))
            uri += ch == '\'' ? std::string("''") : std::string(1, ch);
        if (sqlite3_exec(db_.get(), ("ATTACH DATABASE '" + uri + "' AS " + schema).c_str(), nullptr,
                         nullptr, nullptr) != SQLITE_OK) {
            throw JetCacheUnavailable(sqlite3_errmsg(db_.get()));
        }
        ++attached_;
        known_[key] = schema;
        return true;
    }

    void reset(const FileStamp& stamp) {
        page_count_ = check_jet_file(path_).page_count;
        sqlite3* raw = nullptr;
        const int rc =
            sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
        SqliteHandle fresh(raw);
        if (rc != SQLITE_OK) throw DbError(path_, "無法建立資料庫的記憶體副本");
        db_ = std::move(fresh);
        known_.clear();
        attached_ = 0;
        stamp_ = stamp;
        folder_.reset();
        const auto root = use_cache_ ? jet_cache_root() : std::nullopt;
        if (root) {
            try {
                folder_.emplace(*root, jet_file_key(path_));
            } catch (const JetCacheUnavailable&) {
            }
        }
    }

    // A cache file being filled, removed unless it was put in place.
    struct TempFile {
        std::filesystem::path path;
        explicit TempFile(std::filesystem::path p) : path(std::move(p)) {}
        TempFile(TempFile&& o) noexcept : path(std::exchange(o.path, {})) {}
        TempFile& operator=(TempFile&&) = delete;
        ~TempFile() {
            std::error_code ec;
            if (!path.empty()) std::filesystem::remove(path, ec);
        }
    };

    std::string path_;
    JetReadLimits limits_;
    bool use_cache_;
    ProgressFn progress_;
    FileStamp stamp_;
    std::uint64_t page_count_ = 0;
    SqliteHandle db_;
    std::optional<JetCacheFolder> folder_;
    // Tables loaded or found missing, in lower case: the schema of an attached copy, or ""
    // for a table in memory or missing.
    std::map<std::string, std::string> known_;
    std::map<std::string, std::string> spelled_;  // lower case -> as a statement spelled it
    int attached_ = 0;
    int schemas_ = 0;
};

}  // namespace

bool looks_like_jet(const std::string& first_bytes) {
    if (first_bytes.size() < 19) return false;
    return first_bytes.compare(4, 15, "Standard Jet DB") == 0 ||
           first_bytes.compare(4, 15, "Standard ACE DB") == 0;
}

std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string& password,
                                            const DataOptions& options) {
    return open_jet_database(path, password, JetReadLimits{}, options);
}

std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string&,
                                            const JetReadLimits& limits,
                                            const DataOptions& options) {
    return std::make_shared<JetDatabase>(path, limits, options);
}

}  // namespace zol
