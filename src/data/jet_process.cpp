// Fork, stream, time limits and the child's verdict.
#include "data/jet_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

#include "data/db_error.h"
#include "data/jet_child.h"
#include "data/jet_header.h"
#include "data/jet_wire.h"

namespace zol {

namespace {

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

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (::pipe2(fd, O_CLOEXEC) != 0) fd[0] = fd[1] = -1;
    }
    ~Pipe() {
        close_read();
        close_write();
    }
    bool ok() const { return fd[0] >= 0; }
    void close_read() {
        if (fd[0] >= 0) ::close(fd[0]);
        fd[0] = -1;
    }
    void close_write() {
        if (fd[1] >= 0) ::close(fd[1]);
        fd[1] = -1;
    }
};

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

[[noreturn]] void run_child(const std::string& path, std::uint64_t page_count,
                            const std::vector<std::string>& tables, int out_fd, int err_fd) {
    // No core files for a crash that the parent reports anyway.
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
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
    const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devnull >= 0) {
        ::dup2(devnull, STDIN_FILENO);
        ::dup2(devnull, STDOUT_FILENO);
    }
    ::dup2(err_fd, STDERR_FILENO);
    ::_exit(jet_child_main(path, page_count, tables, out_fd));
}

}  // namespace

std::string read_jet_stream(const std::string& path, std::uint64_t page_count,
                            const std::vector<std::string>& tables, const JetReadLimits& limits) {
    Pipe data;
    Pipe err;
    if (!data.ok() || !err.ok()) throw DbError(path, "無法建立讀取資料庫所需的管道");
    std::fflush(nullptr);  // nothing buffered may be written twice by the child
    const pid_t pid = ::fork();
    if (pid < 0) throw DbError(path, "無法啟動讀取資料庫的程序");
    if (pid == 0) {
        data.close_read();
        err.close_read();
        run_child(path, page_count, tables, data.fd[1], err.fd[1]);
    }
    Child child(pid);
    data.close_write();
    err.close_write();

    const std::uint64_t max_output =
        page_count * kJet4PageSize * limits.output_per_file_byte + limits.output_allowance;
    const auto start = Clock::now();
    const auto hard_end = start + limits.total_timeout;
    auto idle_end = start + limits.idle_timeout;
    std::string stream;
    char buf[1 << 16];
    bool data_open = true;
    bool err_open = true;
    while (data_open || err_open) {
        const auto now = Clock::now();
        const auto until = std::min(hard_end, idle_end);
        if (now >= until) {
            child.kill();
            child.wait();
            throw DbError(path, "讀取資料庫逾時，資料庫檔案可能已損毀");
        }
        pollfd fds[2];
        nfds_t n = 0;
        if (data_open) fds[n++] = {data.fd[0], POLLIN, 0};
        if (err_open) fds[n++] = {err.fd[0], POLLIN, 0};
        const auto wait_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1;
        const int r = ::poll(fds, n, static_cast<int>(std::min<long long>(wait_ms, 1000)));
        if (r < 0 && errno != EINTR) break;
        for (nfds_t i = 0; r > 0 && i < n; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const bool is_data = fds[i].fd == data.fd[0];
            const ssize_t got = ::read(fds[i].fd, buf, sizeof buf);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                (is_data ? data_open : err_open) = false;
                continue;
            }
            if (is_data) {
                stream.append(buf, static_cast<std::size_t>(got));
                idle_end = Clock::now() + limits.idle_timeout;
                if (stream.size() > max_output) {
                    child.kill();
                    child.wait();
                    throw DbError(path, "讀取資料庫時資料量異常，資料庫檔案可能已損毀");
                }
            }  // the child's stderr is only drained
        }
    }
    int status = 0;
    if (!child.wait_until(std::min(hard_end, Clock::now() + limits.idle_timeout), status)) {
        child.kill();
        child.wait();
        throw DbError(path, "讀取資料庫逾時，資料庫檔案可能已損毀");
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return stream;

    // The child's own reason when it gave one, else how it ended.
    struct Ignore : JetTableSink {
        void begin_table(std::string_view, const std::vector<JetColumnDef>&) override {}
        void row(const std::vector<JetCell>&) override {}
        void end_table() override {}
        void missing_table(std::string_view) override {}
    } ignore;
    const JetWireOutcome outcome = parse_jet_wire(stream, ignore);
    if (!outcome.failure.empty()) throw DbError(path, outcome.failure);
    // libmdb's own complaints (English, on the child's stderr) are not the user's concern.
    throw DbError(path, WIFSIGNALED(status)
                            ? "讀取資料庫時程序異常終止（信號 " + std::to_string(WTERMSIG(status)) +
                                  "），資料庫檔案可能已損毀"
                            : "讀取資料庫失敗，資料庫檔案可能已損毀");
}

}  // namespace zol
