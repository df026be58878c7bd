// The cache folder of Jet tables: filled on first use, used by a later opening without
// reading the Jet file, rebuilt whenever the file or the cached copy is not what it was.
#include "data/jet/jet_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "data/database.h"
#include "data/jet/jet_database.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const fs::path kSample = fs::path(ZOL_TESTDATA_JET) / "zol-sample.mdb";
constexpr const char* kQuery =
    "select count(*), sum(ItemAmt), max(Tranday) from Zol9_Payitem where Itemid > 1";

// A cache folder of its own and a private copy of the sample Jet file.
class JetCache : public ::testing::Test {
  public:
    void SetUp() override {
        old_home_ = std::getenv("XDG_CACHE_HOME");
        setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        fs::copy_file(kSample, jet_);
    }
    void TearDown() override {
        setenv("XDG_CACHE_HOME", old_home_.c_str(), 1);
        fs::remove_all(dir_);
    }

    // Runs the query on a fresh opening; `reads` counts the Jet reads it needed.
    std::string run(int& reads, bool use_cache = true) const {
        DataOptions options{use_cache, [&](const Progress& p) {
                                if (p.what.rfind("讀取資料表", 0) == 0) ++reads;
                            }};
        reads = 0;
        ResultSet rs = open_database(jet_.string(), "", options)->query(kQuery);
        return rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
    }
    std::vector<fs::path> cache_files() const {
        std::vector<fs::path> out;
        if (!fs::exists(dir_ / "cache")) return out;
        for (const auto& e : fs::recursive_directory_iterator(dir_ / "cache")) {
            if (e.is_regular_file()) out.push_back(e.path());
        }
        return out;
    }
    // The copy the last run made or used.
    fs::path newest_cache_file() const {
        auto files = cache_files();
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            return fs::last_write_time(a) > fs::last_write_time(b);
        });
        return files.at(0);
    }
    fs::path dir_ = test::make_temp_dir("zol_jet_cache_");
    fs::path jet_ = dir_ / "ZOL.mdb";
    std::string old_home_;
};

TEST_F(JetCache, FilledOnceThenUsedWithoutReadingTheJetFile) {
    int reads = 0;
    const std::string expected = run(reads);
    EXPECT_GT(reads, 0);
    EXPECT_NE(expected.rfind("0|", 0), 0u) << expected;
    const auto files = cache_files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(fs::status(files[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(files[0].parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(run(reads), expected);
    EXPECT_EQ(reads, 0);
}

TEST_F(JetCache, RebuiltWhenTheFileOrTheCopyChanges) {
    const struct {
        const char* what;
        std::function<void(const JetCache&)> change;
    } cases[] = {
        {"touched",
         [](const JetCache& t) {
             const timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 100, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, t.jet_.c_str(), later, 0), 0);
         }},
        {"grown",
         [](const JetCache& t) {
             std::ofstream(t.jet_, std::ios::binary | std::ios::app) << std::string(4096, '\0');
         }},
        {"replaced",
         [](const JetCache& t) {
             fs::copy_file(kSample, t.dir_ / "new.mdb");
             fs::rename(t.dir_ / "new.mdb", t.jet_);
         }},
        {"half-written copy",
         [](const JetCache& t) {
             const fs::path file = t.newest_cache_file();
             fs::resize_file(file, fs::file_size(file) / 2);
         }},
        {"copy damaged inside",
         [](const JetCache& t) {
             std::fstream f(t.newest_cache_file(), std::ios::binary | std::ios::in | std::ios::out);
             f.seekp(4096);
             f << std::string(4096, 'x');
         }},
        {"other version",
         [](const JetCache& t) {
             test::exec_sql(t.newest_cache_file(),
                            "PRAGMA user_version=" + std::to_string(kJetCacheVersion + 1));
         }},
    };
    int reads = 0;
    const std::string expected = run(reads);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change(*this);
        EXPECT_EQ(run(reads), expected);
        EXPECT_GT(reads, 0);
        EXPECT_EQ(run(reads), expected);  // and the new copy is used
        EXPECT_EQ(reads, 0);
    }
}

TEST_F(JetCache, WithoutCacheOrWithAnUnwritableFolderTheRunStillWorks) {
    int reads = 0;
    const std::string expected = run(reads, false);
    EXPECT_GT(reads, 0);
    EXPECT_TRUE(cache_files().empty());

    std::ofstream(dir_ / "file") << "x";
    setenv("XDG_CACHE_HOME", (dir_ / "file").c_str(), 1);  // no folder can be made there
    EXPECT_EQ(run(reads), expected);
    EXPECT_GT(reads, 0);
}

TEST_F(JetCache, KeepsTheFourPackagesUsedLast) {
    int reads = 0;
    run(reads);
    const fs::path first = cache_files().at(0).parent_path();
    for (int i = 0; i < 4; ++i) {
        fs::copy_file(kSample, dir_ / "other.mdb", fs::copy_options::overwrite_existing);
        fs::rename(dir_ / "other.mdb", jet_);  // a new inode: another package
        run(reads);
        EXPECT_GT(reads, 0);
    }
    EXPECT_EQ(cache_files().size(), 4u);
    EXPECT_FALSE(fs::exists(first));
}

}  // namespace
}  // namespace zol
