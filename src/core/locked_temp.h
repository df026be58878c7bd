// Temporary files that a later run can clean up safely. A file is locked (flock) before it
// carries its temporary name and stays locked while its writer lives, so a temporary file
// that nobody holds locked is one a dead run left behind.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/unique_fd.h"

namespace zol {

struct LockedTemp {
    std::filesystem::path path;
    UniqueFd fd;  // open for reading and writing, locked
};

// Creates an empty file `dir`/`prefix`<unique>.tmp with `mode`; nullopt (errno set) when it
// cannot be made.
std::optional<LockedTemp> create_locked_temp(const std::filesystem::path& dir,
                                             const std::string& prefix, int mode);

// True when the file `lock` is there and no live process holds it locked: whoever held it
// has died (or let it go).
bool held_by_nobody(const std::filesystem::path& lock);

// Removes the files `dir`/`prefix`*.tmp that no live process holds locked.
void remove_dead_temp_files(const std::filesystem::path& dir, const std::string& prefix);

}  // namespace zol
