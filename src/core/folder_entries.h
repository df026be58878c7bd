// Listing a folder where a listing may break off: a file share that goes away, a failing
// disk, a descriptor gone bad.
#pragma once

#include <filesystem>
#include <vector>

namespace zol {

// The entries of `dir`; a listing that breaks off gives those found so far, a folder that
// cannot be listed none. For the loops that clean up or look for a kept copy, where a
// missed entry costs a later cleanup or a new read, never a wrong result.
std::vector<std::filesystem::directory_entry> folder_entries(const std::filesystem::path& dir);

}  // namespace zol
