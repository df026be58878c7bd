// The state of a Jet file and where its tables are read from: a file rewritten while it is
// copied is copied again, a state another reader recorded is taken from its record, and a
// file that cannot be copied is read where it lies.
#include "data/jet/jet_reads.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <thread>

#include "data/db_error.h"
#include "data/jet/jet_header.h"
#include "support/jet_cache_fixture.h"

namespace zol::test {
namespace {

// The file rewritten while it is copied: once, or written and written back to the same
// bytes and times, and it is copied again and gives the rows it holds; during every copy,
// and after five tries the run stops as busy, keeping no copy.
TEST_F(JetCache, AFileRewrittenWhileItIsCopiedIsCopiedAgainOrBusy) {
    const std::string states[2] = {amended_sample(), test::read_file(test::sample_jet())};
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
            ResultSet rs = open_database(jet_.string(), "", options)->query(kJetQuery);
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

// A database that read the old content takes the new one that another reader recorded from
// that record and the cache, without reading the file again.
TEST_F(JetCache, ANewContentAnotherReaderRecordedComesFromTheCache) {
    DataOptions counted;
    counted.reads = std::make_shared<JetReads>();
    const auto db = open_database(jet_.string(), "", counted);
    const auto mine = [&] { return counted.reads->tables_read(); };
    const auto sum = [&] { return db->query(kJetQuery).field(1).text(); };
    const std::string old_sum = sum();
    const auto read_first = mine();
    EXPECT_GT(read_first, 0u);
    rewrite_keeping_times(jet_, amended_sample());
    int reads = 0;
    const std::string other = run(reads);
    EXPECT_GT(reads, 0);
    const std::string new_sum = sum();
    EXPECT_NE(new_sum, old_sum);
    EXPECT_NE(other.find("|" + new_sum + "|"), std::string::npos) << other;
    EXPECT_EQ(mine(), read_first);
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
        open_database(jet_.string(), "", DataOptions{false, {}, {}})->query(kJetQuery).row_count(),
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

}  // namespace
}  // namespace zol::test
