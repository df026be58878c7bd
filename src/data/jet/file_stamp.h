// What tells one state of a file on disk from another (replaced, grown or touched).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace zol {

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtime_ns = 0;
    // Moves on every write and every change of times, and no writer can set it back: a file
    // written and written back to the same bytes and times still shows it.
    long long ctime_ns = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

inline FileStamp file_stamp(const struct stat& st) {
    const auto ns = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    };
    return {st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}

}  // namespace zol
