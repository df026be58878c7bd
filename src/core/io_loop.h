// Reads and writes that go on after a signal interrupts them (EINTR) and stop on any other
// error, in one place.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace zol {

// read: bytes read (0 at the end), or -1 with errno set.
ssize_t read_some(int fd, void* into, std::size_t size);
// pread: bytes read (0 at the end of the file), or -1 with errno set.
ssize_t read_at(int fd, void* into, std::size_t size, off_t offset);
// `size` bytes at `offset`, fewer only where the file ends (a read may give fewer bytes
// than asked before the end): bytes read, or -1 with errno set.
ssize_t read_full_at(int fd, void* into, std::size_t size, off_t offset);
// Writes all of `size` bytes at the file's position; false (errno set) when it cannot.
bool write_all(int fd, const void* from, std::size_t size);
// The same at `offset` (pwrite).
bool write_all_at(int fd, const void* from, std::size_t size, off_t offset);

}  // namespace zol
