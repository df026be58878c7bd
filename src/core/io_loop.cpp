#include "core/io_loop.h"

#include <unistd.h>

#include <cerrno>

namespace zol {

ssize_t read_some(int fd, void* into, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, into, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

ssize_t read_at(int fd, void* into, std::size_t size, off_t offset) {
    for (;;) {
        const ssize_t n = ::pread(fd, into, size, offset);
        if (n >= 0 || errno != EINTR) return n;
    }
}

ssize_t read_full_at(int fd, void* into, std::size_t size, off_t offset) {
    char* p = static_cast<char*>(into);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = read_at(fd, p + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool write_all(int fd, const void* from, std::size_t size) {
    const char* p = static_cast<const char*>(from);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool write_all_at(int fd, const void* from, std::size_t size, off_t offset) {
    const char* p = static_cast<const char*>(from);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace zol
