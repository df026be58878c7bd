// The cache folder of Jet tables: filled on first use, used by a later opening without
// reading the Jet file, and never serving a copy that is not of the file's bytes as they are
// now; any failure of the cache falls back to reading into memory.
#include "data/jet/jet_cache.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <thread>

#include "core/locked_temp.h"
#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_process.h"
#include "data/jet/state_record.h"
#include "support/jet_files.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;
using test::amended_sample;
using test::rewrite_keeping_times;

const fs::path kSample = fs::path(ZOL_TESTDATA_JET) / "zol-sample.mdb";
constexpr const char* kQuery =
    "select count(*), sum(ItemAmt), max(Tranday) from Zol9_Payitem where Itemid > 1";

// A cache folder of its own and a private copy of the sample Jet file.
class JetCache : public ::testing::Test {
  public:
    void SetUp() override {
        old_home_ = std::getenv("XDG_CACHE_HOME");
        setenv("XDG_CACHE_HOME", (dir_ / "cache" / "a#b%c?d").c_str(), 1);  // any name will do
        fs::copy_file(kSample, jet_);
    }
    void TearDown() override {
        setenv("XDG_CACHE_HOME", old_home_.c_str(), 1);
        fs::remove_all(dir_);
    }

    // Runs the query on a fresh opening; `reads` counts the Jet reads it needed.
    std::string run(int& reads, bool use_cache = true,
                    const std::function<void()>& while_reading = {}) {
        DataOptions options{use_cache,
                            [&](const Progress& p) {
                                if (p.what.rfind("讀取資料表", 0) != 0) return;
                                if (reads++ == 0 && while_reading) while_reading();
                            },
                            [this](const std::string& n) { notices_.push_back(n); }};
        reads = 0;
        ResultSet rs = open_database(jet_.string(), "", options)->query(kQuery);
        return rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
    }
    // The truth: the file read afresh.
    std::string fresh() {
        int reads = 0;
        return run(reads, false);
    }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> out;
        if (!fs::exists(dir_ / "cache")) return out;
        for (const auto& e : fs::recursive_directory_iterator(dir_ / "cache")) {
            if (e.path().extension() == ".sqlite") out.push_back(e.path());
        }
        return out;
    }
    fs::path dir_ = test::make_temp_dir("zol_jet_cache_");
    fs::path jet_ = dir_ / "ZOL.mdb";
    std::string old_home_;
    std::vector<std::string> notices_;
};

TEST_F(JetCache, ServesOnlyACopyOfTheBytesTheFileHoldsNow) {
    const struct {
        const char* what;
        std::function<void(JetCache&)> change;
        bool read_again;
        bool new_rows = false;
    } cases[] = {
        {"data pages changed, size and times kept",
         [](JetCache& t) { rewrite_keeping_times(t.jet_, amended_sample()); }, true, true},
        {"touched, same bytes",
         [](JetCache& t) {
             const timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 100, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, t.jet_.c_str(), later, 0), 0);
         },
         false},
        {"replaced by a copy of the same bytes",
         [](JetCache& t) {
             fs::copy_file(t.jet_, t.dir_ / "new.mdb");
             fs::rename(t.dir_ / "new.mdb", t.jet_);
         },
         false},
        {"back to the first bytes",
         [](JetCache& t) { rewrite_keeping_times(t.jet_, test::read_file(kSample)); }, false, true},
        {"grown",
         [](JetCache& t) {
             std::ofstream(t.jet_, std::ios::binary | std::ios::app) << std::string(4096, '\0');
         },
         true},
        {"each folder holding the copy of another content",
         [](JetCache& t) {
             const auto files = t.copies();
             ASSERT_GT(files.size(), 1u);
             const auto other = [&](std::size_t i) { return files[(i + 1) % files.size()]; };
             for (std::size_t i = 0; i < files.size(); ++i) {
                 fs::copy_file(other(i), files[i].parent_path() / "moved");
             }
             for (std::size_t i = 0; i < files.size(); ++i) {
                 fs::remove(files[i]);
                 fs::rename(files[i].parent_path() / "moved",
                            files[i].parent_path() / other(i).filename());
             }
             rewrite_keeping_times(t.jet_, test::read_file(kSample));
         },
         true},
        {"a copy others may write to",
         [](JetCache& t) {
             for (const auto& f : t.copies())
                 fs::permissions(f, fs::perms::others_write, fs::perm_options::add);
         },
         true},
        {"a copy replaced by a link to its bytes",
         [](JetCache& t) {
             int n = 0;
             for (const auto& f : t.copies()) {
                 const fs::path bytes = t.dir_ / ("bytes" + std::to_string(n++));
                 fs::rename(f, bytes);
                 fs::create_symlink(bytes, f);
             }
         },
         true},
        {"a copy cut short",
         [](JetCache& t) {
             for (const auto& f : t.copies()) fs::resize_file(f, fs::file_size(f) / 2);
         },
         true},
        {"one byte flipped in a copy known whole by its stamp",
         [](JetCache& t) {
             test::wait_until_settled();
             int reads = 0;
             t.run(reads);  // found whole, and so recorded
             for (const auto& f : t.copies()) {
                 std::fstream s(f, std::ios::binary | std::ios::in | std::ios::out);
                 const auto at = static_cast<std::streamoff>(fs::file_size(f) * 2 / 3);
                 s.seekg(at);
                 const char c = static_cast<char>(s.get() ^ 0x01);
                 s.seekp(at);
                 s.put(c);
             }
         },
         true},
    };
    int reads = 0;
    std::string before = run(reads);  // fills the cache: one private file in a private folder
    EXPECT_GT(reads, 0);
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(fs::status(copies()[0]).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(copies()[0].parent_path()).permissions(), fs::perms::owner_all);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change(*this);
        const std::string truth = fresh();
        EXPECT_EQ(truth != before, c.new_rows);
        before = truth;
        EXPECT_EQ(run(reads), truth);
        EXPECT_EQ(reads > 0, c.read_again);
        EXPECT_EQ(run(reads), truth);  // and the copy is used from then on
        EXPECT_EQ(reads, 0);
    }
    EXPECT_TRUE(notices_.empty());
}

// The file rewritten while it is copied: once, or written and written back to the same
// bytes and times, and it is copied again and gives the rows it holds; during every copy,
// and after five tries the run stops as busy, keeping no copy.
TEST_F(JetCache, AFileRewrittenWhileItIsCopiedIsCopiedAgainOrBusy) {
    const std::string states[2] = {amended_sample(), test::read_file(kSample)};
    for (const int flips : {1, -1, 1000}) {  // -1: written and written back, once
        rewrite_keeping_times(jet_, states[1]);
        fs::remove_all(dir_ / "cache");
        int done = 0, copied = 0;
        const DataOptions options{
            true,
            [&](const Progress& p) {
                if (p.what.rfind("複製資料庫檔案", 0) != 0) return;
                ++copied;
                if (flips < 0 && done++ == 0) {
                    // A clock tick after the last write: the change
                    // time moves on.
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    rewrite_keeping_times(jet_, states[0]);
                    rewrite_keeping_times(jet_, states[1]);
                } else if (done < flips) {
                    rewrite_keeping_times(jet_, states[done++ % 2]);
                }
            },
            {}};
        std::string got;
        try {
            ResultSet rs = open_database(jet_.string(), "", options)->query(kQuery);
            got = rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
        } catch (const DbError& e) {
            got = e.engine_message();
        }
        const bool busy = flips == 1000;
        EXPECT_EQ(got, busy ? std::string(kMsgDatabaseBusy) : fresh()) << flips;
        EXPECT_EQ(copies().size(), busy ? 0u : 1u);
        EXPECT_GE(copied, busy ? 5 : 2) << flips;
    }
}

// An export pinned to the content an earlier run read gets that content's rows from the
// cache though the file changed, and a clear refusal once the cache no longer holds it.
TEST_F(JetCache, APinnedContentIsReadFromTheCacheAlone) {
    const auto text = [](ResultSet rs) {
        return rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
    };
    const auto db = open_database(jet_.string(), "");
    EXPECT_EQ(db->snapshot_id(), "");  // nothing read yet
    const std::string first = text(db->query(kQuery));
    DataOptions pinned;
    pinned.pinned_state = db->snapshot_id();
    rewrite_keeping_times(jet_, amended_sample());
    ASSERT_NE(fresh(), first);
    EXPECT_EQ(text(open_database(jet_.string(), "", pinned)->query(kQuery)), first);
    const auto refused = [&](const DataOptions& options) {
        try {
            open_database(jet_.string(), "", options)->query(kQuery);
        } catch (const DbError& e) {
            return e.engine_message() == kMsgStateGone;
        }
        return false;
    };
    // Pinned to no content at all, or read without the cache: no copy to take it from.
    DataOptions other = pinned;
    for (const std::string& state : {std::string("not a content"), std::string(32, 'g')}) {
        other.pinned_state = state;
        EXPECT_TRUE(refused(other)) << state;
    }
    other = pinned;
    other.use_cache = false;
    EXPECT_TRUE(refused(other));
    fs::remove_all(dir_ / "cache");
    EXPECT_TRUE(refused(pinned));
}

// A kept copy damaged after it was attached shows only when it is read: the copies go and the
// tables are read again, for the same rows.
TEST_F(JetCache, ACopyDamagedAfterItWasAttachedIsReadAgain) {
    const auto db = open_database(jet_.string(), "");
    const std::string first = db->query(kQuery).field(1).text();
    ASSERT_FALSE(copies().empty());
    for (const auto& copy : copies()) rewrite_keeping_times(copy, std::string(4096, 'x'));
    EXPECT_EQ(db->query(kQuery).field(1).text(), first);
    for (const auto& copy : copies()) EXPECT_NE(test::read_file(copy).substr(0, 6), "xxxxxx");
}

// A content's folder whose lock file cannot be made is not used: the tables are read into
// memory, and the clerk is told which folder.
// A database that read the old content takes the new one that another reader recorded from
// that record and the cache, without reading the file again.
TEST_F(JetCache, ANewContentAnotherReaderRecordedComesFromTheCache) {
    int mine = 0;
    const DataOptions counted{
        true, [&](const Progress& p) { mine += p.what.rfind("讀取資料表", 0) == 0; }, {}};
    const auto db = open_database(jet_.string(), "", counted);
    const auto sum = [&] { return db->query(kQuery).field(1).text(); };
    const std::string old_sum = sum();
    EXPECT_GT(mine, 0);
    rewrite_keeping_times(jet_, amended_sample());
    int reads = 0;
    const std::string other = run(reads);
    EXPECT_GT(reads, 0);
    mine = 0;
    const std::string new_sum = sum();
    EXPECT_NE(new_sum, old_sum);
    EXPECT_NE(other.find("|" + new_sum + "|"), std::string::npos) << other;
    EXPECT_EQ(mine, 0);
}

TEST_F(JetCache, AFolderThatCannotBeLockedIsNotUsed) {
    int reads = 0;
    const std::string expected = run(reads);
    ASSERT_FALSE(copies().empty());
    const fs::path folder = copies()[0].parent_path();
    fs::remove_all(folder);
    fs::create_directories(folder / ".lock");
    EXPECT_EQ(run(reads), expected);
    EXPECT_GT(reads, 0);
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_NE(notices_[0].find(folder.string()), std::string::npos) << notices_[0];
}

TEST_F(JetCache, AnyFailureOfTheCacheFallsBackToMemory) {
    // Reading into memory also removes what a run that died left in the temporary folder.
    const fs::path tmp = dir_ / "tmp", dead = tmp / "zol5300-jet-dead";
    test::write_file(dead / ".lock", "");
    test::write_file(dead / "t0.sqlite", "half a table");
    setenv("TMPDIR", tmp.c_str(), 1);
    const std::string expected = fresh();
    EXPECT_FALSE(fs::exists(dead));
    unsetenv("TMPDIR");
    int reads = 0;
    // Another process prunes the folder while this one fills it.
    EXPECT_EQ(run(reads, true, [&] { fs::remove_all(dir_ / "cache"); }), expected);
    EXPECT_GT(reads, 0);
    // No folder can be made there.
    std::ofstream(dir_ / "file") << "x";
    setenv("XDG_CACHE_HOME", (dir_ / "file").c_str(), 1);
    EXPECT_EQ(run(reads), expected);
    EXPECT_EQ(notices_.size(), 2u);
    // Without XDG_CACHE_HOME the copies go under HOME's .cache, when HOME is a full path.
    unsetenv("XDG_CACHE_HOME");
    const std::string home = std::getenv("HOME");
    for (const std::string& at : {dir_.string(), std::string("relative")}) {
        setenv("HOME", at.c_str(), 1);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(run(reads), expected);  // the second finds a copy
        EXPECT_EQ(reads == 0, at[0] == '/') << at;
    }
    setenv("HOME", home.c_str(), 1);
}

TEST_F(JetCache, AFullDiskFallsBackToMemory) {
    const std::string expected = fresh();
    const fs::path full = dir_ / "full";
    fs::create_directories(full);
    if (::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here (not root)";
    }
    setenv("XDG_CACHE_HOME", full.c_str(), 1);
    int reads = 0;
    EXPECT_EQ(run(reads), expected);
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_NE(notices_[0].find("磁碟空間不足"), std::string::npos) << notices_[0];
    ::umount2(full.c_str(), MNT_DETACH);
}

// Files this process and its children write may not grow past `bytes` while it lives: a
// write past the limit fails instead of raising SIGXFSZ.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) : old_handler_(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        set(bytes);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    // Runs `f` as another program would, without the limit.
    void without(const std::function<void()>& f) {
        rlimit now{};
        ::getrlimit(RLIMIT_FSIZE, &now);
        ::setrlimit(RLIMIT_FSIZE, &old_);
        f();
        ::setrlimit(RLIMIT_FSIZE, &now);
    }

  private:
    void set(rlim_t bytes) {
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lower), 0);
    }
    rlimit old_{};
    sighandler_t old_handler_;
};

// No local copy of the file can be made: its tables are read where it lies, and a rewrite
// during that reading means reading it again.
TEST_F(JetCache, WithoutRoomForALocalCopyTheFileIsReadWhereItLies) {
    const std::string original = test::read_file(jet_), amended = amended_sample();
    const std::string old_rows = fresh();
    rewrite_keeping_times(jet_, amended);
    const std::string new_rows = fresh();
    ASSERT_NE(new_rows, old_rows);
    rewrite_keeping_times(jet_, original);
    FileSizeLimit limit(original.size() - kJet4PageSize);
    int reads = 0;
    EXPECT_EQ(run(reads), old_rows);
    EXPECT_GT(reads, 0);
    ASSERT_FALSE(notices_.empty());
    EXPECT_EQ(notices_[0].rfind("無法建立資料庫檔案的本機副本（", 0), 0u) << notices_[0];
    const auto rewrite = [&] { limit.without([&] { rewrite_keeping_times(jet_, amended); }); };
    EXPECT_EQ(run(reads, false, rewrite), new_rows);
    // Told to nobody, all the same.
    EXPECT_EQ(
        open_database(jet_.string(), "", DataOptions{false, {}, {}})->query(kQuery).row_count(),
        1u);
    const auto failure_of = [&](const std::function<void()>& while_reading) {
        try {
            run(reads, false, while_reading);
        } catch (const DbError& e) {
            return e.engine_message();
        }
        return std::string("read");
    };
    // Nor is there a temporary folder to read its tables into.
    setenv("TMPDIR", (dir_ / "none").c_str(), 1);
    const std::string no_folder = failure_of({});
    unsetenv("TMPDIR");
    EXPECT_EQ(no_folder, "無法建立讀取資料庫所需的暫存資料夾");
    EXPECT_EQ(notices_.back(),
              "無法建立資料庫檔案的本機副本（沒有可用的暫存資料夾），這次直接讀取資料庫檔案");
    // Removed while it was read where it lies.
    const std::string removed = failure_of([&] { fs::remove(jet_); });
    EXPECT_EQ(removed.rfind("無法開啟資料庫檔案（", 0), 0u) << removed;
}

// Statements over more tables than can be attached at once: a copy not in use makes room,
// and what still finds none is read into memory; every table gives its own rows.
TEST_F(JetCache, MoreTablesThanCanBeAttached) {
    const auto truth = open_database((fs::path(ZOL_TESTDATA_JET) / "zol-sample.sqlite").string());
    std::vector<std::string> tables;  // all eleven
    ResultSet rs = truth->query("select name from sqlite_master where type = 'table'");
    for (; !rs.eof(); rs.move_next()) tables.push_back(rs.field(0).text());
    ASSERT_EQ(tables.size(), 11u);
    const auto counts = [&](Database& db, std::size_t from, std::size_t to) {
        std::string sql = "select 0", out;
        for (std::size_t i = from; i < to; ++i) sql += ", (select count(*) from " + tables[i] + ")";
        ResultSet got = db.query(sql);
        for (std::size_t i = from; i < to; ++i) out += got.field(i - from + 1).text() + " ";
        return out;
    };
    const std::pair<std::size_t, std::size_t> runs[] = {{0, 10}, {10, 11}, {0, 11}, {0, 11}};
    for (const bool cache : {true, false}) {
        const auto db = open_database(jet_.string(), "", DataOptions{cache, {}, {}});
        for (const auto& [from, to] : runs)
            EXPECT_EQ(counts(*db, from, to), counts(*truth, from, to)) << cache << from << to;
    }
}

// Packages of other contents, each appended a different number of empty pages.
TEST_F(JetCache, KeepsTheFourPackagesUsedLastButNoneInUse) {
    int reads = 0;
    auto held = open_database(jet_.string(), "");
    held->query(kQuery);
    const fs::path first = copies().at(0).parent_path();
    // What a run killed while it filled a table leaves behind, and a fill going on now.
    if (::fork() == 0) {
        create_locked_temp(first, ".fill.", 0600);
        ::_exit(0);
    }
    ::wait(nullptr);
    auto live = create_locked_temp(first, ".fill.", 0600);
    ASSERT_TRUE(live);
    // A folder of the first version (16 hex digits) is pruned like the others; folders of
    // other names are not this program's.
    const fs::path root = first.parent_path(), first_version = root / "0123456789abcdef";
    const fs::path others[] = {root / "0123456789abcdeX",
                               root / ("v2-" + std::string(32, 'x')),
                               root / ("v2-" + std::string(31, 'a')),
                               root / "v2",
                               root / "notes",
                               root / "vnotes"};
    for (const auto& folder : others) fs::create_directory(folder);
    fs::create_directory(first_version);
    fs::last_write_time(first_version, fs::file_time_type::clock::now() - std::chrono::hours(1));
    for (int i = 1; i <= 5; ++i) {
        std::ofstream(jet_, std::ios::binary | std::ios::app) << std::string(4096, '\0');
        run(reads);
        EXPECT_GT(reads, 0);
    }
    EXPECT_TRUE(fs::exists(first));  // held by `held`
    const auto temps = [&] {
        return std::count_if(fs::directory_iterator(first), {},
                             [](const auto& e) { return e.path().extension() == ".tmp"; });
    };
    EXPECT_EQ(temps(), 2);
    rewrite_keeping_times(jet_, test::read_file(kSample));
    fs::resize_file(jet_, fs::file_size(kSample));
    run(reads);  // opens the first folder again: the dead run's file goes, the live one stays
    EXPECT_TRUE(reads == 0 && temps() == 1) << reads;
    live->fd.reset();
    held.reset();
    std::ofstream(jet_, std::ios::binary | std::ios::app) << std::string(4096 * 9, '\0');
    run(reads);
    EXPECT_EQ(copies().size(), 4u);
    EXPECT_FALSE(fs::exists(first_version));
    for (const auto& folder : others) EXPECT_TRUE(fs::exists(folder)) << folder;
}

// The state records of one folder, by the prefix of their names.
std::vector<fs::path> state_records(const fs::path& root) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(root)) {
        if (e.path().filename().string().rfind("state-", 0) == 0) out.push_back(e.path());
    }
    return out;
}

// Only a whole record, this user's alone, of the same stamp in every field and settled when
// it was taken proves a state; the newest 64 records are kept.
TEST(StateRecords, OnlyASoundRecordOfTheSameStampProvesAState) {
    const FileStamp stamp{7, 8, 4096, 1'000'000'000, 2'000'000'000};
    const StateRecord record{FileState{stamp, Digest{0x1234, 0x5678}}, wall_clock_ns()};
    // Field k of the record's words (2 the device ... 6 the change time) one more.
    const auto one_more = [](std::size_t k) {
        return [k](const fs::path& f) {
            std::istringstream in(test::read_file(f));
            std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
            w.at(k) = std::to_string(std::stoll(w.at(k)) + 1);
            std::string text;
            for (const auto& word : w) text += word + " ";
            test::write_file(f, text);
        };
    };
    const std::pair<std::string, std::function<void(const fs::path&)>> spoilers[] = {
        {"sound", [](const fs::path&) {}},
        {"empty", [](const fs::path& f) { test::write_file(f, ""); }},
        {"cut short",
         [](const fs::path& f) { test::write_file(f, test::read_file(f).substr(0, 40)); }},
        {"writable by others",
         [](const fs::path& f) {
             fs::permissions(f, fs::perms::others_write, fs::perm_options::add);
         }},
        {"device", one_more(2)},
        {"inode", one_more(3)},
        {"size", one_more(4)},
        {"mtime", one_more(5)},
        {"ctime", one_more(6)},
    };
    for (const auto& [what, spoil] : spoilers) {
        const test::TempDir root;
        write_state_record(root.path(), record);
        const auto files = state_records(root.path());
        ASSERT_EQ(files.size(), 1u) << what;
        spoil(files[0]);
        const auto found = find_state_record(root.path(), stamp);
        ASSERT_EQ(found.has_value(), what == "sound") << what;
        if (found) {
            EXPECT_TRUE(found->state == record.state && found->began_ns == record.began_ns);
        }
    }
    // A record that cannot be put in place (a folder holds its name) leaves nothing behind.
    {
        const test::TempDir root;
        write_state_record(root.path(), record);
        const fs::path name = state_records(root.path()).at(0);
        fs::remove(name);
        fs::create_directories(name / "in the way");
        write_state_record(root.path(), record);
        EXPECT_FALSE(find_state_record(root.path(), stamp).has_value());
        EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), {}), 1);
    }
    const test::TempDir root;
    // Taken too soon after the file was written: a later write might not show.
    write_state_record(root.path(), StateRecord{record.state, stamp.ctime_ns});
    EXPECT_TRUE(state_records(root.path()).empty());
    for (ino_t i = 0; i <= 64; ++i) {
        FileStamp other = stamp;
        other.inode = 100 + i;
        if (i == 64) {
            for (const auto& f : state_records(root.path()))
                fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
        write_state_record(root.path(), StateRecord{FileState{other, {}}, record.began_ns});
    }
    EXPECT_EQ(state_records(root.path()).size(), 64u);
    FileStamp newest = stamp;
    newest.inode = 164;
    EXPECT_TRUE(find_state_record(root.path(), newest).has_value());
}

// A local copy goes into the first folder that takes one; without any, the reason names the
// folder. A file that cannot be opened or read is the file's own fault.
TEST(Snapshots, TheFirstFolderThatTakesACopy) {
    const test::TempDir dir;
    const fs::path none = dir / "none";
    const auto copy = take_snapshot(kSample.string(), {none, dir.path()}, {});
    ASSERT_TRUE(copy);
    EXPECT_TRUE(test::read_file(copy->read_path()) == test::read_file(kSample));
    std::string reason;
    try {
        take_snapshot(kSample.string(), {none}, {});
    } catch (const SnapshotUnavailable& e) {
        reason = e.what();
    }
    EXPECT_EQ(reason.rfind(none.string() + "：", 0), 0u) << reason;
    const auto failure = [&](const std::string& path) {
        try {
            take_snapshot(path, {dir.path()}, {});
        } catch (const DbError& e) {
            return e.engine_message();
        }
        return std::string("copied");
    };
    EXPECT_EQ(failure((dir / "ZOL.mdb").string()).rfind("無法開啟資料庫檔案（", 0), 0u);
    // Nothing is mapped at offset 0 of this process's memory.
    EXPECT_EQ(failure("/proc/self/mem").rfind("讀取資料庫檔案失敗（", 0), 0u);
}

// A process's parent and state letter from /proc.
std::pair<pid_t, char> parent_of(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return {0, '?'};
    char state = '?';
    pid_t ppid = 0;
    std::istringstream(line.substr(close + 2)) >> state >> ppid;
    return {ppid, state};
}

// A reader that the system kills (out of memory, say) is told with its signal.
TEST(JetReaders, OneKilledFromOutsideIsToldWithItsSignal) {
    const test::TempDir dir;
    const fs::path fifo = dir / "ZOL.mdb";  // the reader waits on it for good
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::write_file(dir / "table", "");
    const auto kill_readers = [](const Progress&) {
        for (const auto& e : fs::directory_iterator("/proc")) {
            const pid_t pid = std::atoi(e.path().filename().c_str());  // 0: no process
            if (pid > 0 && parent_of(pid).first == ::getpid()) ::kill(pid, SIGKILL);
        }
    };
    try {
        run_jet_children(fifo.string(), fifo.string(), 256,
                         {{"Zol9_Payitem", (dir / "table").string()}}, JetReadLimits{},
                         kill_readers);
        ADD_FAILURE() << "read without complaint";
    } catch (const DbError& e) {
        EXPECT_EQ(e.engine_message(), "讀取資料庫時程序異常終止（信號 9），資料庫檔案可能已損毀");
    }
}

// No descriptor left for a reader's pipe: the run says so, with the reason.
TEST(JetReaders, NoDescriptorLeftForAReaderIsTold) {
    const test::TempDir dir;
    test::write_file(dir / "table", "");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    const rlimit few{3, old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    std::string message = "read without complaint";
    try {
        run_jet_children(kSample.string(), kSample.string(), 256,
                         {{"Zol9_Payitem", (dir / "table").string()}}, JetReadLimits{}, {});
    } catch (const DbError& e) {
        message = e.engine_message();
    }
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(message, "無法建立讀取資料庫所需的管道（同時開啟的檔案太多）");
}

// A reading child blocked on its file (a pipe that nobody writes) ends when its parent is
// killed.
TEST(JetReaders, EndWithTheirParent) {
    const test::TempDir dir;
    const fs::path fifo = dir / "ZOL.mdb";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::write_file(dir / "table", "");
    const pid_t parent = ::fork();
    if (parent == 0) {
        try {
            run_jet_children(fifo.string(), fifo.string(), 256,
                             {{"Zol9_Payitem", (dir / "table").string()}}, JetReadLimits{}, {});
        } catch (...) {
        }
        ::_exit(0);
    }
    const auto nap = [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); };
    pid_t reader = 0;
    for (int i = 0; i < 500 && reader == 0; ++i, nap()) {
        for (const auto& e : fs::directory_iterator("/proc")) {
            const pid_t pid = std::atoi(e.path().filename().c_str());  // 0: no process
            if (pid > 0 && parent_of(pid).first == parent) reader = pid;
        }
    }
    ASSERT_GT(reader, 0);
    ::kill(parent, SIGKILL);
    ::waitpid(parent, nullptr, 0);
    bool ended = false;  // gone, or dead and not yet reaped
    for (int i = 0; i < 500 && !ended; ++i, nap()) ended = parent_of(reader).second != 'S';
    EXPECT_TRUE(ended);
    ::kill(reader, SIGKILL);
}

}  // namespace
}  // namespace zol
