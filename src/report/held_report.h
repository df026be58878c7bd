// A written report held open. The writer puts a new report in place by renaming it over the
// old one, so whatever later runs write under the report's name, reads through a held report
// see the content it had when it was opened: a preview keeps showing, printing and writing
// as PDF the report it was opened on.
#pragma once

#include <filesystem>

#include "core/unique_fd.h"

namespace zol {

class HeldReport {
  public:
    // Opens the file; throws ReportError naming it when it cannot be opened.
    explicit HeldReport(const std::filesystem::path& path);
    // The file its writer holds open as `fd`.
    HeldReport(std::filesystem::path path, UniqueFd fd)
        : path_(std::move(path)), fd_(std::move(fd)) {}

    // Read with pread only, so that any number of readers share it.
    int fd() const { return fd_.get(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    UniqueFd fd_;
};

}  // namespace zol
