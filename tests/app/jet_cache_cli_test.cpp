// zol5300 on the package's Access file: the same report bytes as on its SQLite form
// whether the tables come from the Jet file, from the cache or (--no-cache) from memory,
// and two processes filling one cache at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "data/database.h"
#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;
using test::read_file;

const fs::path kJetDir = ZOL_TESTDATA_JET;

std::size_t files_under(const fs::path& dir) {
    std::size_t n = 0;
    if (fs::exists(dir)) {
        for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file();
    }
    return n;
}

class JetCacheCli : public ::testing::Test {
  protected:
    void SetUp() override {
        old_home_ = std::getenv("XDG_CACHE_HOME");
        setenv("XDG_CACHE_HOME", cache_.c_str(), 1);
        for (const char* form : {"jet", "sqlite"}) fs::create_directories(dir_ / form / "rpt");
        fs::create_directories(dir_ / "jet" / "mdb");
        fs::create_directories(dir_ / "sqlite" / "mdb");
        fs::copy_file(kJetDir / "zol-sample.mdb", dir_ / "jet" / "mdb" / "ZOL.mdb");
        fs::copy_file(kJetDir / "zol-sample.sqlite", dir_ / "sqlite" / "mdb" / "ZOL.mdb");
    }
    void TearDown() override {
        setenv("XDG_CACHE_HOME", old_home_.c_str(), 1);
        fs::remove_all(dir_);
    }

    std::string report(const char* form, std::vector<std::string> extra = {}) const {
        std::vector<std::string> args{"report", (dir_ / form).string(), "--tranday", "113/09/10",
                                      "--print-date=2025-03-07"};
        args.insert(args.end(), extra.begin(), extra.end());
        const test::RunOutput r = test::run_captured(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");  // no terminal: no progress line
        return read_file(dir_ / form / "rpt" / "rep_5300.TXT");
    }

    fs::path dir_ = test::make_temp_dir("zol_jet_cli_");
    fs::path cache_ = dir_ / "cache";
    std::string old_home_;
};

TEST_F(JetCacheCli, ReportsMatchTheSqliteFormFromJetCacheAndMemory) {
    const std::string expected = report("sqlite");
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_TRUE(report("jet", {"--no-cache"}) == expected);
    EXPECT_EQ(files_under(cache_), 0u);
    EXPECT_TRUE(report("jet") == expected);  // fills the cache
    EXPECT_GT(files_under(cache_), 3u);
    fs::remove(dir_ / "jet" / "rpt" / "rep_5300.TXT");
    EXPECT_TRUE(report("jet") == expected);  // from the cache
}

TEST_F(JetCacheCli, ProgressLineOnlyOnATerminal) {
    // script(1) gives the run a terminal; report() above checks that a pipe gets nothing.
    const std::string command = "script -qec '" + test::zol5300_bin() + " report " +
                                (dir_ / "jet").string() + " --tranday 113/09/10' /dev/null";
    const test::RunOutput r = test::run_program({"sh", "-c", command});
    const std::string& shown = r.out;
    EXPECT_EQ(r.code, 0) << shown << r.err;
    EXPECT_NE(shown.find("讀取資料表"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" 筆"), std::string::npos) << shown;
}

TEST_F(JetCacheCli, TwoProcessesFillingAtOnceLeaveAUsableCache) {
    const std::string db = (dir_ / "jet" / "mdb" / "ZOL.mdb").string();
    const std::string sql = "select count(*), sum(ItemAmt) from Zol9_Payitem";
    test::RunOutput a, b;
    std::thread other([&] { b = test::run_captured({"sql", db, sql}); });
    a = test::run_captured({"sql", db, sql});
    other.join();
    EXPECT_EQ(a.code, 0) << a.err;
    EXPECT_EQ(b.code, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(test::run_captured({"sql", db, "--no-cache", sql}).out, a.out);

    int reads = 0;
    DataOptions options{true, [&](const Progress&) { ++reads; }, {}};
    ResultSet rs = open_database(db, "", options)->query(sql);
    EXPECT_EQ(rs.field(0).text() + "\t" + rs.field(1).text() + "\n", a.out);
    EXPECT_EQ(reads, 0);
}

}  // namespace
}  // namespace zol
