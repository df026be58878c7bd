// Whole `zol5300 report` runs under failing system calls, injected by libfiu's fiu-run into
// an unchanged program (and the Jet reader's children): open, read, pread, write, fsync,
// rename, readdir, mmap fail at random with the errors their manual pages allow (EINTR,
// EIO, ENOSPC among them). Every run must end with the report of a run without faults and
// exit 0, or with a message in Chinese, exit 4 and the previous report untouched: never
// another report, a hang or a crash. Each run is logged with its seed; ZOL_FAULT_SEED
// repeats a sample.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/sample_db.h"

namespace zol::test {
namespace {

constexpr const char* kFiuRun = "/usr/bin/fiu-run";
constexpr int kRunsPerForm = 40;
constexpr const char* kPrevious = "the previous report\r\n";
// Each also fails at every call in one run of its own, however the random draws fall.
constexpr const char* kPoints[] = {
    "posix/io/oc/open",    "posix/io/oc/close",   "posix/io/rw/read",     "posix/io/rw/pread",
    "posix/io/rw/write",   "posix/io/rw/pwrite",  "posix/io/sync/fsync",  "posix/io/sync/fdatasync",
    "posix/io/dir/rename", "posix/io/dir/unlink", "posix/io/dir/opendir", "posix/io/dir/readdir",
    "posix/io/net/poll",   "posix/mm/mmap",       "posix/proc/fork"};
constexpr int kPointRuns = static_cast<int>(std::size(kPoints));
// Texts that only the C library, the file system library or SQLite would print.
constexpr const char* kEnglish[] = {"rror",     "No such",  "denied",     "malformed",
                                    "disk I/O", "Bad file", "nterrupted", "No space",
                                    "cannot",   "unable",   "failed",     "iterator"};
// What a sound file never is: a failed call must be told as one, with its reason, and a
// reason that only repeats the message tells nothing.
constexpr const char* kVague[] = {"這不是本程式能讀取的資料庫檔案", "檔案已損毀或不是資料庫檔案",
                                  "讀取資料庫失敗", "讀寫錯誤（磁碟或網路磁碟機讀寫錯誤）"};

struct Form {
    const char* name;
    const Package& pkg;
    std::vector<std::string> options;
    const char* probability;  // of each call failing: the Jet reader makes many more calls
};

// A run with random failures (seeded), or with `point` failing at every call.
RunOutput faulty_run(const Form& f, unsigned seed, const fs::path& cache,
                     const std::string& point = {}) {
    std::vector<std::string> argv{"timeout",
                                  "-k",
                                  "5",
                                  "40",
                                  "env",
                                  "FIU_PRNG_SEED=" + std::to_string(seed),
                                  "XDG_CACHE_HOME=" + cache.string(),
                                  kFiuRun,
                                  "-x",
                                  "-c"};
    if (point.empty()) {
        argv.insert(argv.end(),
                    {std::string("enable_random name=posix/io/*,probability=") + f.probability,
                     "-c", "enable_random name=posix/mm/mmap,probability=0.01"});
    } else {
        argv.push_back("enable name=" + point);
    }
    argv.insert(argv.end(), {zol5300_bin(), "report", f.pkg.base().string()});
    argv.insert(argv.end(), f.options.begin(), f.options.end());
    return run_program(argv);
}

TEST(InjectedFaults, EachRunEndsWithTheReportOrAMessageAndThePreviousReport) {
    if (!fs::exists(kFiuRun)) GTEST_SKIP() << "fiu-run is missing (scripts/install-deps)";
    const char* chosen = std::getenv("ZOL_FAULT_SEED");
    const unsigned first_seed = chosen ? static_cast<unsigned>(std::atoi(chosen)) : 5300;
    const Package sqlite_form{Package::Fixture{"packages/small.sql"}};
    const Package jet_form{Package::Sql{""}};
    fs::copy_file(fs::path(ZOL_TESTDATA_JET) / "zol-sample.mdb", jet_form.db(),
                  fs::copy_options::overwrite_existing);
    const Form forms[] = {
        {"SQLite", sqlite_form, {"--tranday", "095/03/15", "--print-date=2025-03-07"}, "0.01"},
        {"Jet", jet_form, {"--tranday", "115/02/24", "--print-date=2025-03-07"}, "0.002"}};
    const TempDir cache("zol_fault_cache_");
    for (const Form& f : forms) {
        std::vector<std::string> args{"report", f.pkg.base().string()};
        args.insert(args.end(), f.options.begin(), f.options.end());
        const RunOutput clean = run_captured(args);
        ASSERT_EQ(clean.code, 0) << clean.err;
        const std::string expected = read_file(f.pkg.report());
        int written = 0, refused = 0;
        for (int i = 0; i < kRunsPerForm + kPointRuns; ++i) {
            const unsigned seed = first_seed + static_cast<unsigned>(i);
            const std::string point = i < kRunsPerForm ? "" : kPoints[i - kRunsPerForm];
            const std::string run = point.empty() ? "seed " + std::to_string(seed) : point;
            write_file(f.pkg.report(), kPrevious);
            // Every other Jet run finds no copy in the cache and reads the file again.
            if (i % 2 == 0) fs::remove_all(cache.path() / "zol5300");
            RunOutput r = faulty_run(f, seed, cache.path(), point);
#ifdef ZOL_COVERAGE
            // A coverage build's own complaint that it cannot write its counts is not the
            // program's.
            for (auto at = r.err.find("profiling:"); at != std::string::npos;
                 at = r.err.find("profiling:", at)) {
                r.err.erase(at, r.err.find('\n', at) - at + 1);
            }
#endif
            const std::string line = r.err.substr(0, r.err.find('\n'));
            std::printf("fault run %s %s: exit %d signal %d %s\n", f.name, run.c_str(), r.code,
                        r.signal, line.c_str());
            SCOPED_TRACE(std::string(f.name) + " " + run + ": " + r.err);
            ASSERT_TRUE(r.code == 0 || r.code == 4) << "a crash or a hang";
            const std::string now = read_file(f.pkg.report());
            if (r.code == 0) {
                ++written;
                EXPECT_TRUE(now == expected) << "another report";
                continue;
            }
            ++refused;
            EXPECT_EQ(now, kPrevious);
            EXPECT_NE(r.err.find_first_of("\xe4\xe5\xe6\xe7\xe8\xe9"), r.err.npos);  // Chinese
            for (const char* english : kEnglish) EXPECT_EQ(r.err.find(english), r.err.npos);
            for (const char* vague : kVague) EXPECT_EQ(r.err.find(vague), r.err.npos);
        }
        std::printf("fault runs %s: %d written, %d refused\n", f.name, written, refused);
        EXPECT_GT(written, 0);
        EXPECT_GT(refused, 0);
    }
}

// One system call failing every time in a `zol5300 sql` run on a Jet file: each such run
// ends with its own reason in Chinese.
TEST(InjectedFaults, EachCallThatAlwaysFailsHasItsReason) {
    if (!fs::exists(kFiuRun)) GTEST_SKIP() << "fiu-run is missing (scripts/install-deps)";
    const std::string jet = std::string(ZOL_TESTDATA_JET) + "/testV2000.mdb";
    const TempDir cache("zol_fault_cache_");
    const std::pair<const char*, const char*> cases[] = {
        {"posix/proc/fork,failinfo=11", "無法啟動讀取資料庫的程序（資源忙碌中）"},
        {"posix/io/net/poll,failinfo=12", "讀取資料庫檔案失敗（記憶體不足）"},
        // No local copy either: the file is read where it lies, into files that fail too.
        {"posix/io/rw/pwrite,failinfo=28", "無法寫入資料表的暫存檔案：磁碟空間不足"},
        {"posix/stdio/oc/fopen,failinfo=24", "libmdb 無法開啟此資料庫檔案"},
    };
    for (const auto& [point, reason] : cases) {
        const RunOutput r =
            run_program({"env", "XDG_CACHE_HOME=" + cache.path().string(), kFiuRun, "-x", "-c",
                         std::string("enable name=") + point, zol5300_bin(), "sql", jet,
                         "--no-cache", "select count(*) from Table1"});
        EXPECT_EQ(r.code, 4) << point;
        EXPECT_EQ(r.err.substr(r.err.find(": ") + 2), std::string(reason) + "\n") << point;
    }
}

}  // namespace
}  // namespace zol::test
