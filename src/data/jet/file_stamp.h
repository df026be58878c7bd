// What tells one state of a file on disk from another (replaced, grown or touched), and a
// file descriptor that closes itself.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace zol {

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtime_ns = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

inline FileStamp file_stamp(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size,
            static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

struct Fd {
    explicit Fd(int descriptor) : fd(descriptor) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    int fd;
};

}  // namespace zol
