// The cache folder of Jet tables: filled on first use, used by a later opening without
// reading the Jet file, and never serving a copy that is not of the file's bytes as they are
// now; any failure of the cache falls back to reading into memory.
#include "data/jet/jet_cache.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "core/locked_temp.h"
#include "data/db_error.h"
#include "support/jet_cache_fixture.h"

namespace zol::test {
namespace {

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
         [](JetCache& t) { rewrite_keeping_times(t.jet_, test::read_file(sample_jet())); }, false,
         true},
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
             rewrite_keeping_times(t.jet_, test::read_file(sample_jet()));
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

// An export pinned to the content an earlier run read gets that content's rows from the
// cache though the file changed, and a clear refusal once the cache no longer holds it.
TEST_F(JetCache, APinnedContentIsReadFromTheCacheAlone) {
    const auto text = [](ResultSet rs) {
        return rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
    };
    const auto db = open_database(jet_.string(), "");
    EXPECT_EQ(db->snapshot_id(), "");  // nothing read yet
    const std::string first = text(db->query(test::kJetQuery));
    DataOptions pinned;
    pinned.pinned_state = db->snapshot_id();
    rewrite_keeping_times(jet_, amended_sample());
    ASSERT_NE(fresh(), first);
    EXPECT_EQ(text(open_database(jet_.string(), "", pinned)->query(test::kJetQuery)), first);
    const auto refused = [&](const DataOptions& options) {
        try {
            open_database(jet_.string(), "", options)->query(test::kJetQuery);
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
    const std::string first = db->query(test::kJetQuery).field(1).text();
    ASSERT_FALSE(copies().empty());
    for (const auto& copy : copies()) rewrite_keeping_times(copy, std::string(4096, 'x'));
    EXPECT_EQ(db->query(test::kJetQuery).field(1).text(), first);
    for (const auto& copy : copies()) EXPECT_NE(test::read_file(copy).substr(0, 6), "xxxxxx");
}

// A content's folder whose lock file cannot be made is not used: the tables are read into
// memory, and the clerk is told which folder.
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
    held->query(test::kJetQuery);
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
    rewrite_keeping_times(jet_, test::read_file(sample_jet()));
    fs::resize_file(jet_, fs::file_size(sample_jet()));
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

}  // namespace
}  // namespace zol::test
