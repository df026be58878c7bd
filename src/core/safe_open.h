// Opening files and folders in folders that other accounts can write to. A name there may
// be a link, a FIFO or a device someone else put in its place: nothing is opened through a
// link, and nothing but a regular file (or a folder, for folders) is kept open, so a planted
// name neither redirects a write nor hangs the run.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "core/unique_fd.h"

namespace zol {

// Set in errno when a name is there but is no regular file (a FIFO, a device, a folder).
inline constexpr int kNotRegularFile = ENXIO;

// `name` under the folder `dir` (AT_FDCWD: a path) as a regular file, opened with `flags`
// (O_CREAT takes `mode`) and never through a link: ELOOP for a link, kNotRegularFile for
// anything that is no regular file. An invalid descriptor with errno set when it fails.
UniqueFd open_regular_at(int dir, const char* name, int flags, mode_t mode = 0);
inline UniqueFd open_regular(const std::filesystem::path& path, int flags, mode_t mode = 0) {
    return open_regular_at(AT_FDCWD, path.c_str(), flags, mode);
}

// The file at `path` (links followed) as a regular file, opened read-only without waiting on
// a FIFO: a database another account may have swapped for a FIFO or a device neither hangs
// the run nor pours endless bytes into it. kNotRegularFile for anything but a regular file.
UniqueFd open_regular_file(const std::filesystem::path& path);

// The folder `name` under `dir`, not through a link at its last step (ELOOP or ENOTDIR).
UniqueFd open_folder_at(int dir, const char* name);

// Whether what `st` describes belongs to this user and nobody else may change it.
bool owned_privately(const struct stat& st);

// Makes the folder `dir` (and the missing folders above it) for this user alone and checks
// that it is this user's own: a folder, not a link, owned by this user, writable by nobody
// else. Empty when it is; otherwise why not, in words for the user.
std::string make_private_folder(const std::filesystem::path& dir);

}  // namespace zol
