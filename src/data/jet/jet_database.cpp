// The Jet database: tables attached from the cache folder or copied into memory, loaded as
// statements name them, and loaded afresh when the file on disk changes.
#include "data/jet/jet_database.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/file_digest.h"
#include "data/jet/jet_cache.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_loader.h"
#include "data/sqlite_database.h"
#include "data/streamed_rows.h"
#include "data/translate.h"

namespace zol {

namespace {

std::string table_key(std::string name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    for (auto& ch : name) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return name;
}

// The file was written to while its tables were read: what was read may mix two states.
struct FileChanged {};

constexpr int kReadTries = 5;

class JetDatabase : public Database {
  public:
    JetDatabase(std::string path, const JetReadLimits& limits, const DataOptions& options)
        : path_(std::move(path)),
          limits_(limits),
          use_cache_(options.use_cache),
          progress_(options.progress),
          notice_(options.notice) {
        check_jet_file(path_);  // a file that is no Jet 4 file is told at once
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
    std::string snapshot_id() const override {
        return snapshot_ ? snapshot_->digest.hex() : std::string();
    }

  private:
    // Runs `run` on the loaded tables. A kept copy damaged after it was checked shows only
    // when it is read: it is thrown away, and the statement runs once more on tables read
    // afresh.
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
        snapshot_.reset();
        make_ready(access_sql);
        return run();
    }

    // Loads the tables the statement names that this copy does not have yet, all of them
    // from one state of the file: the file's bytes are digested before and after each
    // reading, and a reading that saw the file change is thrown away and done again.
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
        for (int attempt = 0; attempt < kReadTries; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100 * attempt));
            const auto now = read_file_state(path_);
            if (!now) continue;  // written to while it was digested
            // Another content than the copy's means a new copy.
            if (!snapshot_ || !(now->digest == snapshot_->digest)) {
                reset(*now);
            } else {
                snapshot_->stamp = now->stamp;  // only touched: the copy stays good
            }
            std::vector<std::string> wanted;
            for (const auto& key : needed) {
                if (!known_.count(key)) wanted.push_back(key);
            }
            if (wanted.empty()) return;
            try {
                load(wanted, needed);
                return;
            } catch (const FileChanged&) {
            } catch (const DbError&) {
                // A reading that failed on a file being rewritten is tried again; one that
                // failed on the file as it stands is the file's fault.
                const auto after = read_file_state(path_);
                if (after && *after == *snapshot_) throw;
            }
            snapshot_.reset();
        }
        snapshot_.reset();
        throw DbError(path_, kMsgDatabaseBusy);
    }

    // Reads the tables of `jobs` from the file; throws FileChanged when the file's content
    // is no longer the copy's once they are read.
    std::vector<JetChildOutcome> read_tables(const std::vector<JetChildJob>& jobs) {
        auto outcomes = run_jet_children(path_, page_count_, jobs, limits_, progress_);
        // The same bytes are not enough: a file written and written back while it was read
        // may have been read in between; its stamp (change time) tells, so the whole state
        // must match.
        const auto after = read_file_state(path_);
        if (!after || !(*after == *snapshot_)) throw FileChanged{};
        return outcomes;
    }

    void load(const std::vector<std::string>& wanted, const std::vector<std::string>& needed) {
        std::string cache_failure;
        if (folder_) {
            try {
                const auto left = load_through_cache(wanted, needed);
                if (!left.empty()) load_privately(left, needed);
                return;
            } catch (const JetCacheUnavailable& e) {
                cache_failure = e.what();
            } catch (const DbError& e) {
                // No room left, the folder removed underneath, a file that cannot be made:
                // the same tables read into memory tell whether the cache or the file
                // was at fault.
                cache_failure = e.engine_message();
            }
            folder_.reset();  // this copy goes on from memory
        }
        std::vector<std::string> left;
        for (const auto& key : wanted) {
            if (!known_.count(key)) left.push_back(key);
        }
        if (!left.empty()) load_privately(left, needed);
        if (!cache_failure.empty()) tell(cache_failure);
    }

    void tell(const std::string& reason) {
        if (notice_) notice_("無法使用快取資料夾（" + reason + "），這次直接讀取資料庫");
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
        const auto outcomes = read_tables(jobs);
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
        std::vector<std::string> left;
        for (const auto& key : wanted) {
            if (const auto file = folder_->find(key)) {
                if (!attach(key, *file, needed)) left.push_back(key);
            } else {
                to_read.push_back(key);
            }
        }
        if (!to_read.empty()) {
            std::vector<JetChildJob> jobs;
            std::vector<JetCacheFill> temps;
            for (const auto& key : to_read) {
                temps.push_back(folder_->temp_file());
                jobs.push_back({spelled_[key], temps.back().path().string()});
            }
            const auto outcomes = read_tables(jobs);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (outcomes[i].missing) {
                    known_[to_read[i]] = "";
                    continue;
                }
                const auto file = folder_->seal(temps[i], to_read[i]);
                if (!attach(to_read[i], file, needed)) left.push_back(to_read[i]);
            }
        }
        folder_->touch_and_prune();
        return left;
    }

    // Attaches a kept copy read-only, making room by detaching copies the statement does
    // not need; false when there is no room.
    bool attach(const std::string& key, const std::filesystem::path& file,
                const std::vector<std::string>& needed) {
        // One slot stays free: a table that finds no room is imported through it.
        const int limit = sqlite3_limit(db_.get(), SQLITE_LIMIT_ATTACHED, -1) - 1;
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

    // A new, empty copy of the file's content `state`.
    void reset(const FileState& state) {
        page_count_ = check_jet_file(path_).page_count;
        sqlite3* raw = nullptr;
        const int rc =
            sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
        SqliteHandle fresh(raw);
        if (rc != SQLITE_OK) throw DbError(path_, "無法建立資料庫的記憶體副本");
        db_ = std::move(fresh);
        known_.clear();
        attached_ = 0;
        snapshot_ = state;
        folder_.reset();
        const auto root = use_cache_ ? jet_cache_root() : std::nullopt;
        if (root) {
            try {
                folder_.emplace(*root, state.digest);
            } catch (const JetCacheUnavailable& e) {
                tell(e.what());
            }
        }
    }

    std::string path_;
    JetReadLimits limits_;
    bool use_cache_;
    ProgressFn progress_;
    NoticeFn notice_;
    // The content the loaded tables were read from; none before the first statement and
    // after a reading that failed.
    std::optional<FileState> snapshot_;
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
