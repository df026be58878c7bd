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

// The report folder of a package folder, and the names the report takes there: the file
// the writer creates, the name handed to the paging module (which finds it under
// base_path/RPT; on a file system that tells case apart both spellings are resolved to the
// one existing file), and the stem that an export of the report proposes.
inline constexpr std::string_view kReportFolderName = "rpt";
inline constexpr std::string_view kReportStem = "rep_5300";
inline constexpr std::string_view kReportFileName = "rep_5300.TXT";
inline constexpr std::string_view kHandOverFileName = "rep_5300.txt";
// base_path + "\rpt", resolved against what exists.
std::filesystem::path report_folder(std::string_view base_path);
// The file an export of the report proposes in the report folder: "rep_5300" + `extension`.
std::filesystem::path report_export_path(std::string_view base_path, std::string_view extension);

// base_path: the program's folder less its last 4 characters ("/x/demo/exe" -> "/x/demo").
std::string base_path_from_folder(std::string_view program_folder);

}  // namespace zol
