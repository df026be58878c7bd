// Writes the report file line by line in Big5 with CR LF. The lines go to a temporary
// file beside the report; only commit() puts it in place, so a run that fails leaves the
// previous report as it was.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/unique_fd.h"
#include "report/held_report.h"

namespace zol {

class ReportOutput {
  public:
    // Creates the temporary file (and the report folder when the package has none; a link
    // in its place is refused); throws ReportError naming the report file.
    explicit ReportOutput(std::filesystem::path target);
    ~ReportOutput();
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // A text line (UTF-8), converted to Big5.
    void text(std::string_view utf8);
    // A control line, written byte for byte.
    void control(std::string_view bytes);
    void empty_line();

    // Writes what is left and renames the file over the report, or, where another account's
    // report may only be written in place, copies it over that one; throws ReportError.
    // Returns the report as written, held open: readers read these bytes, not whatever else
    // may carry a like name, and not what another account writes into the file at the name
    // later (the run then holds a private copy).
    std::shared_ptr<const HeldReport> commit();

    const std::filesystem::path& target() const { return target_; }

  private:
    void flush();
    // The permission bits the report gets in place: the old file's, or the usual ones.
    mode_t placed_mode() const;
    // `old`: what stands at the report's name.
    UniqueFd write_in_place(int rename_error, const struct stat& old);
    // `at`: the folder at fault, named in the reason, when it is not the report itself.
    [[noreturn]] void fail(const char* what, int err, const std::filesystem::path& at = {});

    std::filesystem::path target_;
    std::string name_;       // the report's name in its folder
    std::string temp_name_;  // the temporary file's
    UniqueFd dir_;           // the report folder
    UniqueFd fd_;
    UniqueFd own_copy_;  // the same bytes in a private unnamed file, where others may write
    std::string buffer_;
};

}  // namespace zol
