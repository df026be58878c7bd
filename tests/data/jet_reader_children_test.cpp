// The reading children: one killed from outside, one without a descriptor for its pipe,
// and ones whose parent dies.
#include "data/jet/jet_reader_children.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "data/db_error.h"
#include "support/jet_files.h"

namespace zol::test {
namespace {

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
        run_jet_children(test::sample_jet().string(), test::sample_jet().string(), 256,
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
}  // namespace zol::test
