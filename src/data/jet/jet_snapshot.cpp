#include "data/jet/jet_snapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "data/database_file.h"
#include "data/db_error.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

// Large sequential reads: on a share each request costs a round trip.
constexpr std::size_t kCopyChunk = 4u << 20;

long long newest_time(const FileStamp& stamp) {
    return std::max(stamp.mtime_ns, stamp.ctime_ns);
}

// The first of `folders` that takes an unnamed file with room for `size` bytes.
UniqueFd local_copy(const std::vector<fs::path>& folders, off_t size) {
    std::string reason = "沒有可用的暫存資料夾";
    for (const auto& folder : folders) {
        UniqueFd fd = unnamed_file(folder);
        int err = fd ? ::posix_fallocate(fd.get(), 0, size) : errno;
        // A file system that cannot reserve room still takes the bytes if it has it.
        if (err == EOPNOTSUPP || err == EINVAL) err = 0;
        if (err == 0) return fd;
        reason = folder.string() + "：" + errno_text(err);
    }
    throw SnapshotUnavailable(reason);
}

FileStamp stamp_of(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw DbError(path, cannot_read_database(errno));
    return file_stamp(st);
}

}  // namespace

long long wall_clock_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool settled_before(const FileStamp& stamp, long long began_ns) {
    return newest_time(stamp) < began_ns - kRacyMarginNs;
}

std::string JetSnapshot::read_path() const {
    return descriptor_path(fd_.get());
}

std::optional<JetSnapshot> take_snapshot(const std::string& path,
                                         const std::vector<fs::path>& folders,
                                         const ProgressFn& progress) {
    return take_snapshot(open_database_file(path, nullptr).get(), path, folders, progress);
}

std::optional<JetSnapshot> take_snapshot(int in, const std::string& path,
                                         const std::vector<fs::path>& folders,
                                         const ProgressFn& progress) {
    FileStamp before = stamp_of(in, path);
    long long began = wall_clock_ns();
    if (!settled_before(before, began)) {
        // Written a moment ago: a write now might not move its times. Wait until they are
        // old enough that any later write shows; a file that keeps changing is tried again
        // by the caller.
        const long long wait = std::min(newest_time(before) + kRacyMarginNs - began + 1'000'000,
                                        kRacyMarginNs + 1'000'000);
        if (progress) progress(Progress{"等候資料庫檔案寫入完成", 0, 0, 0});
        std::this_thread::sleep_for(std::chrono::nanoseconds(std::max(wait, 0LL)));
        before = stamp_of(in, path);
        began = wall_clock_ns();
        // Written again meanwhile: the caller tries again.
        if (!settled_before(before, began) && newest_time(before) <= began) return std::nullopt;
    }
    // Times ahead of this clock (a server whose clock runs ahead) say nothing of when the
    // file was last written: the copy is then proven by reading the file once more.
    const bool confirm = !settled_before(before, began);
    UniqueFd out = local_copy(folders, before.size);
    Digester digester;
    std::vector<char> buffer(kCopyChunk);
    const int total_mb = static_cast<int>((before.size + (1 << 20) - 1) >> 20);
    for (off_t at = 0;;) {
        const ssize_t n = read_at(in, buffer.data(), buffer.size(), at);
        if (n < 0) throw DbError(path, cannot_read_database(errno));
        if (n == 0) break;
        if (!write_all_at(out.get(), buffer.data(), static_cast<std::size_t>(n), at)) {
            throw SnapshotUnavailable(errno_text(errno));
        }
        digester.update(buffer.data(), static_cast<std::size_t>(n));
        at += n;
        // Written to meanwhile: the rest need not cross the LAN.
        if (!(stamp_of(in, path) == before)) return std::nullopt;
        if (progress) {
            progress(Progress{"複製資料庫檔案 (MB)", 0, static_cast<int>(at >> 20), total_mb});
        }
    }
    // Written to while it was copied, or replaced meanwhile: the copy is of no one state of
    // the file at `path`.
    struct stat now {};
    if (!(stamp_of(in, path) == before) || ::stat(path.c_str(), &now) != 0 ||
        !(file_stamp(now) == before)) {
        return std::nullopt;
    }
    const Digest digest = digester.result();
    if (confirm) {
        const auto again = digest_of(in);
        if (!again || !(*again == digest) || !(stamp_of(in, path) == before)) {
            return std::nullopt;
        }
    }
    return JetSnapshot(std::move(out), FileState{before, digest}, began);
}

}  // namespace zol
