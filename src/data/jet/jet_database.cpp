// The Jet database: tables attached from the cache folder or copied into memory, loaded as
// statements name them, and loaded afresh when the file on disk changes.
//
// The way of one statement, and where each step lives:
//  1. stat: the file is opened once (database_file.h) and its stamp looked at; a stamp
//     proven before, in this process or recorded in the cache folder (state_record.h),
//     gives its content without reading it (JetReads::current, jet_reads.h).
//  2. snapshot and digest: otherwise the file is copied once, in large reads, into an
//     unnamed local snapshot and digested on the way (jet_snapshot.h, file_digest.h); when
//     no snapshot can be made it is digested and later read where it lies. A file that
//     changes meanwhile throws FileChanged, and the statement tries again.
//  3. cache: the content's folder in the cache (jet_cache.h) may hold the tables already,
//     each checked against the digest in its name.
//  4. reader children: the others are read from the snapshot by forked children
//     (jet_reader_children.h), one a table, each reading with libmdb (jet_file_reader.h)
//     into a table file (jet_table_file.h) and telling its row count and verdict down a
//     pipe (jet_wire.h).
//  5. attach: the table files are attached read-only to the in-memory database
//     (loaded_tables.h), or, with no slot left, copied into it (table_file_import.h).
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

#include "core/errno_text.h"
#include "core/text.h"
#include "data/database.h"
#include "data/database_file.h"
#include "data/db_error.h"
#include "data/jet/file_digest.h"
#include "data/jet/jet_cache.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_reads.h"
#include "data/jet/loaded_tables.h"
#include "data/jet/table_file_import.h"
#include "data/sqlite_database.h"
#include "data/streamed_rows.h"
#include "data/translate.h"

namespace zol {

namespace {

// Tries at one state of a file that keeps changing, before the run gives up as busy. The
// pause before try n is n times kTryPause (0.1 + 0.2 + 0.3 + 0.4 s), so with the reads
// themselves a writer gets about a second and a half to finish: longer than another program
// of the package takes to save, short enough for a clerk waiting at the window.
constexpr int kReadTries = 5;
constexpr auto kTryPause = std::chrono::milliseconds(100);

// What is loaded of one content of the file: the in-memory database the statements run
// in, the tables loaded into it, and the cache folder of that content (none without the
// cache, or once it failed). Another content starts afresh: nothing of this one is kept.
struct LoadedState {
    LoadedState(const FileState& of, SqliteHandle in_memory)
        : state(of), db(std::move(in_memory)), tables(db.get()) {}
    FileState state;
    SqliteHandle db;
    LoadedTables tables;
    std::optional<JetCacheFolder> folder;
};

class JetDatabase : public Database {
  public:
    JetDatabase(std::string path, const JetReadLimits& limits, const DataOptions& options)
        : path_(std::move(path)),
          limits_(limits),
          use_cache_(options.use_cache),
          progress_(options.progress),
          notice_(options.notice),
          reads_(options.reads ? options.reads : std::make_shared<JetReads>()),
          pinned_(options.pinned_state),
          admit_(options.admit) {
        // A file that is no Jet 4 file is told at once.
        check_jet_file(open_database_file(path_, admit_).get(), path_);
    }

    ResultSet query(std::string_view access_sql) override {
        return with_sound_tables(
            [&] { return run_access_query(loaded_->db.get(), access_sql, path_, progress_); },
            access_sql);
    }

    std::unique_ptr<RowSource> stream(std::string_view access_sql,
                                      const ProgressFn& progress) override {
        return with_sound_tables(
            [&] { return stream_access_query(loaded_->db.get(), access_sql, path_, progress); },
            access_sql);
    }

    void set_progress(ProgressFn progress) override { progress_ = std::move(progress); }
    std::string snapshot_id() const override { return loaded_ ? loaded_->state.digest.hex() : ""; }

  private:
    // Runs `run` on the loaded tables. A cached table file damaged after it was checked shows
    // only when it is read: the cached tables are thrown away, and the statement runs once
    // more on tables read afresh.
    template <typename Run>
    auto with_sound_tables(const Run& run, std::string_view access_sql) -> decltype(run()) {
        make_ready(access_sql);
        try {
            return run();
        } catch (const DbError&) {
            const int code = sqlite3_errcode(loaded_->db.get());
            if (!loaded_->folder || (code != SQLITE_CORRUPT && code != SQLITE_NOTADB)) throw;
        }
        loaded_->folder->discard();
        loaded_.reset();
        make_ready(access_sql);
        return run();
    }

    JetReads::Listeners listeners() const { return {progress_, notice_, admit_}; }
    std::optional<std::filesystem::path> cache_root() const {
        return use_cache_ ? jet_cache_root() : std::nullopt;
    }

    // Loads the tables the statement names that are not loaded yet, all of them from the
    // state of the file that holds now.
    void make_ready(std::string_view access_sql) {
        const std::vector<std::string> needed = tables_needed(access_sql);
        if (!pinned_.empty()) return make_ready_pinned(needed);
        for (int attempt = 0; attempt < kReadTries; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(kTryPause * attempt);
            try {
                const FileState now = reads_->current(path_, cache_root(), listeners());
                if (!loaded_ || !(now.digest == loaded_->state.digest)) start(now);
                const std::vector<std::string> wanted = loaded_->tables.missing_from(needed);
                if (!wanted.empty()) load(wanted, needed);
                return;
            } catch (const FileChanged&) {
                // Written to while it was read: tried again.
            }
        }
        loaded_.reset();
        throw DbError(path_, kMsgDatabaseBusy);
    }

    // The tables the statement names (unbracketed, each once), in lower case,
    // noting how it spells them.
    std::vector<std::string> tables_needed(std::string_view access_sql) {
        std::vector<std::string> needed;
        for (const auto& name : tables_named(access_sql)) {
            std::string key = to_lower_ascii(name);
            if (key.empty()) continue;  // [] names no table
            spelled_[key] = name;
            needed.push_back(std::move(key));
        }
        return needed;
    }

    // The tables of the pinned content, from the cache folder alone: the file may hold
    // another content by now.
    void make_ready_pinned(const std::vector<std::string>& needed) {
        if (!loaded_) {
            const auto digest = digest_from_hex(pinned_);
            if (digest) start(FileState{FileStamp{}, *digest});
            if (!digest || !loaded_->folder) throw DbError(path_, kMsgStateGone);
        }
        for (const auto& key : loaded_->tables.missing_from(needed)) {
            const auto file = reads_->cached_table(*loaded_->folder, key);
            if (!file || !loaded_->tables.attach(key, *file, needed)) {
                throw DbError(path_, kMsgStateGone);
            }
        }
    }

    // Where the tables of the loaded content are read from; throws FileChanged when the
    // file holds another content by now.
    std::shared_ptr<const JetSource> source() {
        auto source = reads_->source(path_, loaded_->state, cache_root(), listeners());
        if (!(source->state.digest == loaded_->state.digest)) throw FileChanged();
        try {
            // libmdb trusts its input: the state about to be read is checked first.
            check_jet_file(source->read_path());
        } catch (const DbError& e) {
            throw DbError(path_, e.engine_message());
        }
        return source;
    }

    // Reads the tables of `jobs` from `source`.
    std::vector<JetChildOutcome> read_tables(const JetSource& source,
                                             const std::vector<JetChildJob>& jobs) {
        reads_->count_tables_read(jobs.size());
        try {
            auto outcomes = run_jet_children(
                path_, source.read_path(),
                static_cast<std::uint64_t>(source.state.stamp.size) / kJet4PageSize, jobs, limits_,
                progress_);
            if (source.direct()) check_unchanged(source);
            return outcomes;
        } catch (const DbError&) {
            // A reading that failed on a file being rewritten is tried again; one that failed
            // on a state of the file is the file's fault.
            if (source.direct()) check_unchanged(source);
            throw;
        }
    }

    // The file read where it lies must still hold the state it was read as: the same bytes
    // are not enough, since a file written and written back may have been read in between;
    // its change time tells, so the whole state must match.
    void check_unchanged(const JetSource& source) const {
        const FileState after = read_file_state(open_database_file(path_, admit_).get(), path_);
        if (!(after == source.state)) throw FileChanged();
    }

    void load(const std::vector<std::string>& wanted, const std::vector<std::string>& needed) {
        try {
            load_tables(wanted, needed);
        } catch (const FileChanged&) {
            // The next try loads every table afresh.
            loaded_.reset();
            throw;
        } catch (const DbError&) {
            // A state of the file that fails to read (damaged, as a rule) leaves no tables in
            // the cache, those of earlier statements included: nothing of it is kept.
            if (loaded_->folder) loaded_->folder->discard();
            throw;
        }
    }

    void load_tables(const std::vector<std::string>& wanted,
                     const std::vector<std::string>& needed) {
        std::string cache_failure;
        if (loaded_->folder) {
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
            } catch (const std::filesystem::filesystem_error& e) {
                cache_failure = errno_text(e.code().value());  // a listing that broke off
            }
        }
        const auto left = loaded_->tables.missing_from(wanted);
        if (!left.empty()) load_privately(left, needed);
        if (!cache_failure.empty()) {
            // This content goes on without the cache; the folder was kept only for the tables
            // to be cleared from it should they fail to read here too.
            loaded_->folder.reset();
            tell(cache_failure);
        }
    }

    void tell(const std::string& reason) {
        if (notice_) notice_("無法使用快取資料夾（" + reason + "），這次直接讀取資料庫");
    }

    // Reads tables into files of a private folder and attaches them; the folder goes at
    // once (the attached files stay open), so nothing of them outlives this process.
    // A table that finds no room to attach is copied into the in-memory database.
    void load_privately(const std::vector<std::string>& tables,
                        const std::vector<std::string>& needed) {
        const auto from = source();
        const JetTempFolder folder(path_);
        std::vector<std::string> names;
        for (const auto& key : tables) names.push_back(spelled_[key]);
        const std::vector<JetChildJob> jobs = folder.jobs(names);
        const auto outcomes = read_tables(*from, jobs);
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            if (outcomes[i].missing) {
                // Remembered too: SQLite reports it, no new read needed.
                loaded_->tables.note(tables[i], LoadedTables::Where::Missing);
                continue;
            }
            bool attached = false;
            try {
                attached = loaded_->tables.attach(tables[i], jobs[i].table_file, needed);
            } catch (const JetCacheUnavailable&) {
            }
            if (!attached) {
                import_table_file(loaded_->db.get(), jobs[i].table_file, path_);
                loaded_->tables.note(tables[i], LoadedTables::Where::Memory);
            }
        }
    }

    // Attaches the cached table files, reads the others into the cache first. Returns the
    // tables that could not be attached (no room for one more).
    std::vector<std::string> load_through_cache(const std::vector<std::string>& wanted,
                                                const std::vector<std::string>& needed) {
        JetCacheFolder& folder = *loaded_->folder;
        LoadedTables& tables = loaded_->tables;
        std::vector<std::string> to_read;
        std::vector<std::string> left;
        for (const auto& key : wanted) {
            if (const auto file = reads_->cached_table(folder, key)) {
                if (!tables.attach(key, *file, needed)) left.push_back(key);
            } else {
                to_read.push_back(key);
            }
        }
        if (!to_read.empty()) {
            const auto from = source();
            std::vector<JetChildJob> jobs;
            std::vector<JetCacheFill> temps;
            for (const auto& key : to_read) {
                temps.push_back(folder.temp_file());
                jobs.push_back({spelled_[key], temps.back().path().string()});
            }
            const auto outcomes = read_tables(*from, jobs);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                if (outcomes[i].missing) {
                    tables.note(to_read[i], LoadedTables::Where::Missing);
                    continue;
                }
                const auto file = folder.seal(temps[i], to_read[i]);
                if (!tables.attach(to_read[i], file, needed)) left.push_back(to_read[i]);
            }
        }
        folder.touch_and_prune();
        return left;
    }

    // An empty in-memory database for the file's content `state`, with its cache folder.
    void start(const FileState& state) {
        sqlite3* raw = nullptr;
        // One thread at a time uses a database, as with the package's SQLite form: no locking
        // on every call.
        const int rc =
            sqlite3_open_v2(":memory:", &raw,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        SqliteHandle fresh(raw);
        if (rc != SQLITE_OK) throw DbError(path_, "無法建立資料庫的記憶體副本");
        loaded_.emplace(state, std::move(fresh));
        if (const auto root = cache_root()) {
            try {
                loaded_->folder.emplace(*root, state.digest);
            } catch (const JetCacheUnavailable& e) {
                tell(e.what());
            } catch (const std::filesystem::filesystem_error& e) {
                loaded_->folder.reset();
                tell(errno_text(e.code().value()));
            }
        }
    }

    std::string path_;
    JetReadLimits limits_;
    bool use_cache_;
    ProgressFn progress_;
    NoticeFn notice_;
    std::shared_ptr<JetReads> reads_;
    std::string pinned_;
    FileAdmission admit_;
    // None before the first statement and after a reading the file changed under.
    std::optional<LoadedState> loaded_;
    std::map<std::string, std::string> spelled_;  // lower case -> as a statement spelled it
};

}  // namespace

bool looks_like_jet(const std::string& first_bytes) {
    // The name without its closing NUL: a file cut short just after it is still told apart.
    const auto named = [&](std::string_view engine) {
        engine.remove_suffix(1);
        return std::string_view(first_bytes).substr(kEngineNameOffset).starts_with(engine);
    };
    return first_bytes.size() > kEngineNameOffset &&
           (named(kJetEngineName) || named(kAceEngineName));
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
