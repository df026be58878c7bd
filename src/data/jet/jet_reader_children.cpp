// The reading children: fork, stream, time limits and each child's verdict.
#include "data/jet/jet_reader_children.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/text.h"
#include "core/unique_fd.h"
#include "data/db_error.h"
#include "data/jet/jet_file_reader.h"
#include "data/jet/jet_header.h"
#include "data/jet/jet_wire.h"

namespace zol {

namespace {

constexpr std::string_view kTooMuchOutput = "讀取資料庫時資料量異常";
constexpr std::string_view kTimedOut = "讀取資料庫逾時";

using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// Reaps the child on every path out of the parent's code; kills it first if needed.
class Child {
  public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void kill() { ::kill(pid_, SIGKILL); }
    // Blocks until the child has ended; returns its wait status.
    int wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }
    // Waits up to `until`; false when the child is still running then.
    bool wait_until(Clock::time_point until, int& status) {
        for (;;) {
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_ || (r < 0 && errno != EINTR)) {
                pid_ = -1;
                return true;
            }
            if (Clock::now() >= until) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

  private:
    pid_t pid_;
};

#ifdef ZOL_COVERAGE
extern "C" void __gcov_dump();
#endif

// Ends a reader child without running the parent's exit handlers. A coverage build first
// writes the child's counts, which _exit would lose.
[[noreturn]] void child_exit(int code) {
#ifdef ZOL_COVERAGE
    __gcov_dump();
#endif
    ::_exit(code);
}

[[noreturn]] void run_child(const std::string& path, std::uint64_t page_count,
                            const JetChildJob& job, std::uint64_t max_output, int out_fd,
                            pid_t parent) {
    // A reader whose parent died (killed, crashed) has nobody to read for.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) child_exit(3);
    // No core files for a crash that the parent reports anyway.
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    // A loop in a damaged file must not fill the disk: the table file has a ceiling.
    const rlimit fsize{max_output, max_output};
    ::setrlimit(RLIMIT_FSIZE, &fsize);
    if (!kAddressSanitizer) {
        // A damaged long-value chain can make libmdb allocate without end; cap the address
        // space a generous step above what the process already uses.
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        const rlim_t cap =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) +
            (rlim_t{2} << 30);
        const rlimit as{cap, cap};
        if (pages > 0) ::setrlimit(RLIMIT_AS, &as);
    }
    // libmdb's own complaints (English) are not the user's concern.
    // A child that cannot silence them stops with its reason rather than speak to the user.
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devnull < 0 || ::dup2(devnull, STDIN_FILENO) < 0 || ::dup2(devnull, STDOUT_FILENO) < 0 ||
        ::dup2(devnull, STDERR_FILENO) < 0) {
        exit_failed(errno);
    }
    child_exit(read_jet_tables(path, page_count, {job.table}, out_fd, job.table_file));
}

// One reading child and what it has said so far.
struct Running {
    std::size_t job = 0;
    std::unique_ptr<Child> child;
    UniqueFd fd;  // the read end of its stream
    JetWireReader said;
    std::size_t received = 0;  // bytes of the stream so far
    Clock::time_point idle_end;
};

// Collects a finished child's verdict; throws DbError for a failed one.
JetChildOutcome verdict(const std::string& path, const Running& r, int status) {
    const JetWireReader& said = r.said;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && said.complete())
        return JetChildOutcome{said.missing(), said.rows()};
    if (!said.failure().empty()) throw DbError(path, said.failure());
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) {
        throw DbError(path, maybe_damaged(kTooMuchOutput));
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 0;
    if (code > kExitSendFailed) throw DbError(path, cannot_read_database(code - kExitSendFailed));
    throw DbError(path,
                  maybe_damaged(WIFSIGNALED(status) ? cat("讀取資料庫時程序異常終止（信號 ",
                                                          std::to_string(WTERMSIG(status)), "）")
                                                    : cat("讀取資料庫的程序異常結束（結束碼 ",
                                                          std::to_string(code), "）")));
}

std::unique_ptr<Running> start_child(const std::string& path, const std::string& read_path,
                                     std::uint64_t page_count, const std::vector<JetChildJob>& jobs,
                                     std::size_t job, std::uint64_t max_output,
                                     const JetReadLimits& limits) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw DbError(path, "無法建立讀取資料庫所需的管道（" + errno_text(errno) + "）");
    UniqueFd read_end(ends[0]), write_end(ends[1]);
    std::fflush(nullptr);  // nothing buffered may be written twice by the child
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw DbError(path, "無法啟動讀取資料庫的程序（" + errno_text(errno) + "）");
    if (pid == 0) {
        read_end.reset();
        run_child(read_path, page_count, jobs[job], max_output, write_end.get(), parent);
    }
    auto r = std::make_unique<Running>();
    r->job = job;
    r->child = std::make_unique<Child>(pid);
    r->fd = std::move(read_end);
    r->idle_end = Clock::now() + limits.idle_timeout;
    return r;
}

// No count known (0): one child at a time.
std::size_t core_count() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

std::vector<JetChildOutcome> run_jet_children(const std::string& path, const std::string& read_path,
                                              std::uint64_t page_count,
                                              const std::vector<JetChildJob>& jobs,
                                              const JetReadLimits& limits,
                                              const ProgressFn& progress) {
    const std::uint64_t max_output =
        page_count * kJet4PageSize * limits.output_per_file_byte + limits.output_allowance;
    const auto hard_end = Clock::now() + limits.total_timeout;
    std::vector<JetChildOutcome> outcomes(jobs.size());
    std::vector<std::unique_ptr<Running>> running;
    std::size_t next = 0;
    std::size_t finished = 0;
    std::uint64_t finished_rows = 0;
    Clock::time_point last_report{};  // the first pass reports at once
    char buf[1 << 16];
    while (next < jobs.size() || !running.empty()) {
        while (next < jobs.size() && running.size() < core_count()) {
            running.push_back(
                start_child(path, read_path, page_count, jobs, next++, max_output, limits));
        }
        auto until = hard_end;
        for (const auto& r : running) until = std::min(until, r->idle_end);
        const auto now = Clock::now();
        if (now >= until) throw DbError(path, maybe_damaged(kTimedOut));
        std::vector<pollfd> fds;
        for (const auto& r : running) fds.push_back({r->fd.get(), POLLIN, 0});
        const auto wait_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
        const int got_events =
            ::poll(fds.data(), fds.size(), static_cast<int>(std::min<long long>(wait_ms, 100)));
        if (got_events < 0 && errno != EINTR) throw DbError(path, cannot_read_database(errno));
        for (std::size_t i = 0; got_events > 0 && i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Running& r = *running[i];
            const ssize_t n = read_some(r.fd.get(), buf, sizeof buf);
            if (n > 0) {
                r.said.take(std::string_view(buf, static_cast<std::size_t>(n)));
                r.received += static_cast<std::size_t>(n);
                r.idle_end = Clock::now() + limits.idle_timeout;
                if (r.received > (1u << 20)) {
                    throw DbError(path, maybe_damaged(kTooMuchOutput));
                }
                continue;
            }
            if (n < 0) throw DbError(path, cannot_read_database(errno));
            // The child closed its end: it has finished, or is about to.
            r.fd.reset();
            int status = 0;
            if (!r.child->wait_until(std::min(hard_end, Clock::now() + limits.idle_timeout),
                                     status)) {
                throw DbError(path, maybe_damaged(kTimedOut));
            }
            outcomes[r.job] = verdict(path, r, status);
            finished_rows += outcomes[r.job].rows;
            ++finished;
        }
        std::erase_if(running, [](const auto& r) { return !r->fd; });
        if (progress && Clock::now() - last_report >= std::chrono::milliseconds(100)) {
            last_report = Clock::now();
            std::string what = "讀取資料表";
            std::uint64_t rows = finished_rows;
            for (const auto& r : running) {
                what += " " + jobs[r->job].table;
                rows += r->said.rows();
            }
            progress(
                Progress{what, rows, static_cast<int>(finished), static_cast<int>(jobs.size())});
        }
    }
    return outcomes;
}

}  // namespace zol
