// Programs started from a package folder that other accounts share. A program, the link to
// it and the folders on the way must be ones that nobody but root and this user can change:
// otherwise another clerk could put a program of theirs where this user's menu entry or the
// window's 離開 starts one, and have it run as this user.
#pragma once

#include <filesystem>
#include <string>

namespace zol {

// Why the folder `dir` may not hold the programs this user runs: it is a link or no folder,
// belongs to another account or others may write in it, or a folder above it lets another
// account swap it. Empty when it may.
std::string untrusted_folder(const std::filesystem::path& dir);

// Why `program` may not be run: its folder is untrusted, or the file it names (through
// links) or a folder on the way there belongs to another account or others may change it.
// Empty when it may.
std::string untrusted_program(const std::filesystem::path& program);

}  // namespace zol
