// Temporary files that a later run can clean up safely. A file is locked (flock) before it
// carries its temporary name and stays locked while its writer lives, so a temporary file
// that nobody holds locked is one a dead run left behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/unique_fd.h"

namespace zol {

// The file in a working folder that each user of the folder holds locked while using it:
// a folder whose lock file nobody holds is one that dead runs left behind.
inline constexpr const char* kFolderLockName = ".lock";

struct LockedTemp {
    std::filesystem::path path;
    UniqueFd fd;  // open for reading and writing, locked
};

// A new name `prefix`<64 random bits>.tmp, for a temporary link: made with symlink(), which
// never uses what someone put under the name first.
std::string unguessable_temp_name(const std::string& prefix);

// Creates an empty file `dir`/`prefix`<unique>.tmp with `mode`; nullopt (errno set) when it
// cannot be made.
std::optional<LockedTemp> create_locked_temp(const std::filesystem::path& dir,
                                             const std::string& prefix, int mode);
// The same in the folder open as `dir_fd` (`dir` is its path, for the names returned).
std::optional<LockedTemp> create_locked_temp(int dir_fd, const std::filesystem::path& dir,
                                             const std::string& prefix, int mode);

// A private (0600) file of `folder` that has no name: nothing of it outlives the process, and
// no other account can open it. Invalid (errno set) when none can be made.
UniqueFd unnamed_file(const std::filesystem::path& folder);

// True when the file `lock` is there, a regular file of this user, and no live process holds
// it locked: whoever held it has died (or let it go).
bool held_by_nobody(const std::filesystem::path& lock);

// Removes the files `dir`/`prefix`*.tmp that no live process holds locked.
void remove_dead_temp_files(const std::filesystem::path& dir, const std::string& prefix);

}  // namespace zol
