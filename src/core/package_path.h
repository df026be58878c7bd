// Windows-style package paths on a file system that tells case apart.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zol {

// Turns a path text using "\" or "/" into a real path: each component is matched
// case-insensitively against what exists; a component that matches nothing keeps the
// spelling given (and so do the ones after it).
std::filesystem::path resolve_package_path(std::string_view path_text);

// The folder of the program as it was started: argv[0] made absolute against the current
// folder (looked up in PATH when it holds no "/"), symlinks kept as they are, so that a link
// BASE/exe/Zol5300P1 into the installed programs still makes BASE the package folder. Empty
// when argv[0] names nothing that can be found.
std::string program_folder_from_argv0(std::string_view argv0);

// base_path: the program's folder less its last 4 characters ("/x/demo/exe" -> "/x/demo").
std::string base_path_from_folder(std::string_view program_folder);

}  // namespace zol
