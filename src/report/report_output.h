// Writes the report file line by line in Big5 with CR LF. The lines go to a temporary
// file beside the report; only commit() puts it in place, so a run that fails leaves the
// previous report as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/unique_fd.h"

namespace zol {

class ReportOutput {
  public:
    // Creates the temporary file; throws ReportError naming the report file.
    explicit ReportOutput(std::filesystem::path target);
    ~ReportOutput();
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // A text line (UTF-8), converted to Big5.
    void text(std::string_view utf8);
    // A control line, written byte for byte.
    void control(std::string_view bytes);
    void empty_line();

    // Writes what is left, closes the file and renames it over the report; throws
    // ReportError.
    void commit();

    const std::filesystem::path& target() const { return target_; }

  private:
    void flush();
    [[noreturn]] void fail(const char* what, int err);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    UniqueFd fd_;
    std::string buffer_;
};

}  // namespace zol
