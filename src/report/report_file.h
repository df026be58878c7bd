// The report file: its names, where it lies, and the error raised when it cannot be
// written or read.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zol {

// The name the writer creates in base_path\rpt.
inline constexpr std::string_view kReportFileName = "rep_5300.TXT";
// The name handed to the paging module, which finds it under base_path/RPT; on a file
// system that tells case apart both spellings are resolved to the one existing file.
inline constexpr std::string_view kHandOverFileName = "rep_5300.txt";

// Control lines of the report file (each written as a line of its own, CR LF after it).
inline constexpr std::string_view kFormFeedLine =
    "\x0c"
    "21";
inline constexpr std::string_view kTitleSpacingLine =
    "\x1c"
    "31100";
inline constexpr std::string_view kBodySpacingLine =
    "\x1c"
    "31150";
// FS W line with one digit: 1..8 font size 8 + d, 9 bold on, 0 bold off.
std::string font_line(int digit);

// base_path + "\rpt\rep_5300.TXT", resolved against what exists (case-insensitive).
std::filesystem::path report_path(std::string_view base_path);
// base_path & "/RPT/" & file name, as the paging module builds it; resolved the same way.
std::filesystem::path handed_over_path(std::string_view base_path,
                                       std::string_view file_name = kHandOverFileName);

// A report file that cannot be created, written or opened. what() is a message for the
// user in Chinese that names the file.
class ReportError : public std::runtime_error {
  public:
    ReportError(std::string message, std::filesystem::path path);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace zol
