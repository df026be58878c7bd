// The package on the office file server: the Access file is read once per state of it, a
// state already proven costs a look at its stamp, a stamp that may hide a write is not
// trusted, and a file rewritten while it is copied never gives a report of neither state.
// Counted in bytes that reached the share, not in seconds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/child_process.h"
#include "support/jet_files.h"
#include "support/share_model.h"

namespace zol::test {
namespace {

constexpr std::uint64_t kUnchangedBudget = 64 << 10;
const std::string kDb = "mdb/ZOL.mdb";

class OfficeShare : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const auto reason = ShareModel::unavailable(); !reason.empty()) GTEST_SKIP() << reason;
        ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        fs::create_directories(dir_ / "tmp");
        ::setenv("TMPDIR", (dir_ / "tmp").c_str(), 1);
        fs::create_directories(dir_ / "server/rpt");
        fs::create_directories(dir_ / "local/rpt");
        contents_[0] = read_file(sample_jet());
        contents_[1] = amended_sample();
        // What each content reports, read where it lies on local disk without the cache.
        for (int i = 0; i < 2; ++i) {
            write_file(dir_ / "local" / kDb, contents_[i]);
            EXPECT_EQ(report(dir_ / "local", {"--no-cache"}).code, 0);
            expected_[i] = read_file(dir_ / "local/rpt/rep_5300.TXT");
        }
        ASSERT_NE(expected_[0], expected_[1]);
    }
    void TearDown() override {
        ::unsetenv("XDG_CACHE_HOME");
        ::unsetenv("TMPDIR");
    }

    static RunOutput report(const fs::path& base, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"report", base.string(), "--tranday", "113/09/10",
                                      "--print-date=2025-03-07"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run_captured(args);
    }
    // Bytes of the Access file that a report run on the share read, and what it wrote.
    std::uint64_t report_reads(const ShareModel& share, std::string& written) const {
        const auto before = share.reads(kDb).bytes;
        const RunOutput r = report(share.mount());
        EXPECT_EQ(r.code, 0) << r.err;
        written = read_file(dir_ / "server/rpt/rep_5300.TXT");
        return share.reads(kDb).bytes - before;
    }

    TempDir dir_{"zol_share_"};
    std::string contents_[2];
    std::string expected_[2];
};

TEST_F(OfficeShare, TheFileIsReadOncePerState) {
    write_file(dir_ / "server" / kDb, contents_[0]);
    const ShareModel share(dir_ / "server", dir_ / "mount");
    const std::uint64_t size = contents_[0].size();
    std::string written;
    EXPECT_LE(report_reads(share, written), size * 11 / 10) << "first report, empty cache";
    EXPECT_EQ(written, expected_[0]);
    EXPECT_LE(report_reads(share, written), kUnchangedBudget) << "the same report again";
    EXPECT_EQ(written, expected_[0]);
    const auto before = share.reads(kDb).bytes;
    const RunOutput list = run_captured(
        {"sql", (share.mount() / kDb).string(),
         "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay desc"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find("2024-09-10"), std::string::npos) << list.out;
    EXPECT_LE(share.reads(kDb).bytes - before, kUnchangedBudget) << "a list statement";
    // Another clerk's program changes amounts: read once more, and the new amounts printed.
    rewrite_keeping_times(dir_ / "server" / kDb, contents_[1]);
    EXPECT_LE(report_reads(share, written), size * 11 / 10) << "after a change";
    EXPECT_EQ(written, expected_[1]);
}

// On a server that keeps times in whole seconds, a file written twice within one second can
// keep its stamp: a state proven within that second must not be trusted later.
TEST_F(OfficeShare, AStampThatMayHideAWriteIsReadAgain) {
    const ShareModel share(dir_ / "server", dir_ / "mount", {0, 0, true});
    const fs::path file = dir_ / "server" / kDb;
    struct stat first {
    }, second{};
    std::string written;
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Early in a second, so that both writes fall within it (file times lag the clock
        // by up to a tick).
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::this_thread::sleep_for(std::chrono::milliseconds(1050) -
                                    now % std::chrono::seconds(1));
        write_file(file, contents_[0]);
        ASSERT_EQ(::stat((share.mount() / kDb).c_str(), &first), 0);
        std::thread run([&] { report_reads(share, written); });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        rewrite_keeping_times(file, contents_[1]);
        run.join();
        ASSERT_EQ(::stat((share.mount() / kDb).c_str(), &second), 0);
        if (second.st_ctim.tv_sec == first.st_ctim.tv_sec) break;
    }
    ASSERT_EQ(second.st_ctim.tv_sec, first.st_ctim.tv_sec) << "the two writes left one stamp";
    EXPECT_EQ(written, expected_[1]) << "the run that began before the second write";
    EXPECT_GT(report_reads(share, written), 0u) << "trusted a stamp within the margin";
    EXPECT_EQ(written, expected_[1]);
    // Settled by now: the stamp alone tells.
    EXPECT_LE(report_reads(share, written), kUnchangedBudget);
    EXPECT_EQ(written, expected_[1]);
}

// Another program's writer puts the other content in place in the middle of every other copy
// off a slow share: the run copies again and reports the content it then holds, never a mix.
TEST_F(OfficeShare, ARewriteDuringTheCopyIsCopiedAgain) {
    const fs::path file = dir_ / "server" / kDb;
    write_file(file, contents_[0]);
    wait_until_settled();
    const ShareModel share(dir_ / "server", dir_ / "mount", {300, 8, false});
    const std::uint64_t size = contents_[0].size();
    const pid_t writer = ::fork();
    if (writer == 0) {
        for (int i = 1;; ++i) {
            auto seen = share.reads(kDb).bytes;
            while (share.reads(kDb).bytes < seen + size / 4)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (i % 2) rewrite_keeping_times(file, contents_[i / 2 % 2 ? 0 : 1]);
            // Until the copy is over: nothing read for a while.
            do {
                seen = share.reads(kDb).bytes;
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            } while (share.reads(kDb).bytes != seen);
        }
    }
    std::uint64_t read = 0;
    for (const char* cache : {"--no-cache", "--yes"}) {
        const auto before = share.reads(kDb).bytes;
        const RunOutput r = report(share.mount(), {cache});
        EXPECT_EQ(r.code, 0) << r.err;
        read += share.reads(kDb).bytes - before;
        EXPECT_EQ(read_file(dir_ / "server/rpt/rep_5300.TXT"),
                  expected_[read_file(file) == contents_[0] ? 0 : 1]);
    }
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    EXPECT_GT(read, 2 * size + size / 4) << "no copy was interrupted";

    // A run killed while it copies leaves nothing behind that a later run does not clear
    // away: no file in the temporary folder, no temporary name in the cache.
    rewrite_keeping_times(file, contents_[read_file(file) == contents_[0] ? 1 : 0]);
    wait_until_settled();
    {
        // The copy takes about a second on this link: the run ends in the middle of it.
        const Child run(
            {zol5300_bin(), "report", share.mount().string(), "--tranday", "113/09/10"});
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_EQ(run_captured({"sql", (share.mount() / kDb).string(), "select 1"}).code, 0);
    std::vector<fs::path> left;
    for (const char* d : {"cache", "tmp"}) {
        for (const auto& e : fs::recursive_directory_iterator(dir_ / d)) {
            const std::string name = e.path().filename().string();
            if (d == std::string("tmp") || (name[0] == '.' && name != ".lock")) left.push_back(e);
        }
    }
    EXPECT_EQ(left, std::vector<fs::path>{});
}

}  // namespace
}  // namespace zol::test
