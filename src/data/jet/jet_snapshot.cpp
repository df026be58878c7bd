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

// The first of `folders` that takes an unnamed file of `size` bytes, `reserve` of them
// reserved at once.
UniqueFd local_copy(const std::vector<fs::path>& folders, off_t size, bool reserve) {
    std::string reason = "沒有可用的暫存資料夾";
    for (const auto& folder : folders) {
        UniqueFd fd = unnamed_file(folder);
        int err = !fd ? errno : reserve ? ::posix_fallocate(fd.get(), 0, size) : 0;
        // A file system that cannot reserve room still takes the bytes if it has it.
        if (err == EOPNOTSUPP || err == EINVAL) err = 0;
        if (err == 0 && !reserve && ::ftruncate(fd.get(), size) != 0) err = errno;
        if (err == 0) return fd;
        reason = folder.string() + "：" + errno_text(err);
    }
    throw SnapshotUnavailable(reason);
}

// Where the next bytes written in the file lie at or after `at` (`size` when none do): a
// file with holes (one made long by a seek or a truncation) costs neither reads nor room
// for them. A file system that tells nothing of holes has none.
off_t next_data(int fd, off_t at, off_t size) {
    const off_t data = ::lseek(fd, at, SEEK_DATA);
    if (data >= 0) return std::min(data, size);
    return errno == ENXIO ? size : at;
}

off_t next_hole(int fd, off_t at, off_t size) {
    const off_t hole = ::lseek(fd, at, SEEK_HOLE);
    return hole > at ? std::min(hole, size) : size;
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

JetSnapshot take_snapshot(const std::string& path, const std::vector<fs::path>& folders,
                          const ProgressFn& progress) {
    return take_snapshot(open_database_file(path, nullptr).get(), path, folders, progress);
}

JetSnapshot take_snapshot(int in, const std::string& path, const std::vector<fs::path>& folders,
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
        if (!settled_before(before, began) && newest_time(before) <= began) throw FileChanged();
    }
    // Times ahead of this clock (a server whose clock runs ahead) say nothing of when the
    // file was last written: the copy is then proven by reading the file once more.
    const bool confirm = !settled_before(before, began);
    const bool holes = next_hole(in, 0, before.size) < before.size;
    UniqueFd out = local_copy(folders, before.size, !holes);
    Digester digester;
    std::vector<char> buffer(kCopyChunk);
    const std::vector<char> zeros(holes ? kCopyChunk : 0);
    const int total_mb = static_cast<int>((before.size + (1 << 20) - 1) >> 20);
    for (off_t at = 0; at < before.size;) {
        const off_t data = holes ? next_data(in, at, before.size) : at;
        ssize_t n = 0;
        if (data > at) {
            // A hole reads as zeros, and is left a hole in the copy.
            n = static_cast<ssize_t>(std::min<off_t>(data - at, kCopyChunk));
            digester.update(zeros.data(), static_cast<std::size_t>(n));
        } else {
            const off_t end = holes ? next_hole(in, at, before.size) : before.size;
            n = read_at(in, buffer.data(),
                        static_cast<std::size_t>(std::min<off_t>(end - at, kCopyChunk)), at);
            if (n < 0) throw DbError(path, cannot_read_database(errno));
            if (n == 0) throw FileChanged();  // cut short meanwhile
            if (!write_all_at(out.get(), buffer.data(), static_cast<std::size_t>(n), at)) {
                throw SnapshotUnavailable(errno_text(errno));
            }
            digester.update(buffer.data(), static_cast<std::size_t>(n));
        }
        at += n;
        // Written to meanwhile: the rest need not cross the LAN.
        if (!(stamp_of(in, path) == before)) throw FileChanged();
        if (progress) {
            progress(Progress{"複製資料庫檔案 (MB)", 0, static_cast<int>(at >> 20), total_mb});
        }
    }
    // Read to its end: a file longer than it says (one of the kernel's) is no one state.
    char past_end = 0;
    if (const ssize_t n = read_at(in, &past_end, 1, before.size); n != 0) {
        if (n < 0) throw DbError(path, cannot_read_database(errno));
        throw FileChanged();
    }
    // Written to while it was copied, or replaced meanwhile: the copy is of no one state of
    // the file at `path`.
    struct stat now {};
    if (!(stamp_of(in, path) == before) || ::stat(path.c_str(), &now) != 0 ||
        !(file_stamp(now) == before)) {
        throw FileChanged();
    }
    const Digest digest = digester.result();
    if (confirm) {
        const auto again = digest_of(in);
        if (!again || !(*again == digest) || !(stamp_of(in, path) == before)) {
            throw FileChanged();
        }
    }
    return JetSnapshot(std::move(out), FileState{before, digest}, began);
}

}  // namespace zol
