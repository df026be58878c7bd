// The report file: its names, where it lies, and the error raised when it cannot be
// written or read.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/package_path.h"

namespace zol {

// The control codes of the report file: one table for the writer, the screen reader
// (report_reader) and the printer (printm). A control line stands on a line of its own
// (CR LF after it): an introducer, a code character, then its parameter characters.
namespace control {
inline constexpr char kFormFeed = '\x0c';  // FF 2 1: the page ends (a new sheet on paper)
inline constexpr char kEsc = '\x1b';
inline constexpr char kFs = '\x1c';
// FS W d: the font; d 1..8 the size 8 + d points, 9 bold on, 0 bold off.
inline constexpr char kFont = 'W';
inline constexpr char kBoldOn = '9';
inline constexpr char kBoldOff = '0';
// FS 3 1 nnn: the printer moves each text line up by nnn after printing it (the spacing).
inline constexpr char kSpacing = '3';
// ESC 4 1: the picture at its fixed place; ESC 4 2: the printer's layout value 200. Read
// by the printer, dropped by the screen; the writer writes none.
inline constexpr char kPicture = '4';
inline constexpr char kPictureDraw = '1';
inline constexpr char kPictureLayout = '2';

inline constexpr char kFormFeedText[] = {kFormFeed, '2', '1'};
inline constexpr char kTitleSpacingText[] = {kFs, kSpacing, '1', '1', '0', '0'};
inline constexpr char kBodySpacingText[] = {kFs, kSpacing, '1', '1', '5', '0'};
}  // namespace control

inline constexpr std::string_view kFormFeedLine(control::kFormFeedText, 3);
// Title lines stand 100 apart, body lines 150.
inline constexpr std::string_view kTitleSpacingLine(control::kTitleSpacingText, 6);
inline constexpr std::string_view kBodySpacingLine(control::kBodySpacingText, 6);
// FS W line with one digit (its last decimal digit is taken).
std::string font_line(int digit);

// What a line of the report file tells the printer.
enum class LineKind { Text, PageEnd, FontSize, BoldOn, BoldOff, Spacing, Picture, Layout };
struct LineControl {
    LineKind kind = LineKind::Text;
    int font_size = 0;  // points, for FontSize
};
LineControl line_control(std::string_view line);

// base_path + "\rpt\rep_5300.TXT", its folder resolved against what exists
// (case-insensitive), its name as written.
std::filesystem::path report_path(std::string_view base_path);
// base_path & "/RPT/" & file name: the one place the paging module's path is built, as
// text (the preview and the printer resolve it when they open it).
std::string handed_over_text(std::string_view base_path,
                             std::string_view file_name = kHandOverFileName);
// The same path resolved against what exists. The report's own name is taken as the writer
// spells it, so that a file differing only in case is never read in its place.
std::filesystem::path handed_over_path(std::string_view base_path,
                                       std::string_view file_name = kHandOverFileName);
std::filesystem::path resolve_handed_over(std::string_view path_text);
// Files beside `file` whose names differ from its name only in case.
std::vector<std::filesystem::path> other_spellings(const std::filesystem::path& file);

// A report file that cannot be created, written or opened. what() is a message for the
// user in Chinese that names the file.
class ReportError : public std::runtime_error {
  public:
    ReportError(std::string message, std::filesystem::path path);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Throws the ReportError of a report file whose read failed with `err`.
[[noreturn]] void report_read_failed(const std::filesystem::path& path, int err);

// The most bytes one page may take. The writer's pages are some tens of lines of a few hundred
// bytes; a larger one (a file someone else wrote, or cut and padded) is no report of ours, and
// is refused before it is read into memory.
inline constexpr off_t kMaxPageBytes = off_t{1} << 20;
// Throws the ReportError of a page beyond kMaxPageBytes.
[[noreturn]] void report_page_too_large(const std::filesystem::path& path);

}  // namespace zol
