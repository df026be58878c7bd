// Reads a Big5 file one character at a time through a large buffer: a lead byte followed
// by a trail byte (is_big5_lead, is_big5_trail) is one character, every other byte is a
// character of its own.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/big5.h"
#include "report/held_report.h"

namespace zol {

class Big5Reader {
  public:
    // Opens the file; throws ReportError naming it when it cannot be opened.
    explicit Big5Reader(const std::filesystem::path& path);
    // Reads a held report from byte `start` on; the report must outlive the reader.
    explicit Big5Reader(const HeldReport& report, off_t start = 0);
    ~Big5Reader();
    Big5Reader(const Big5Reader&) = delete;
    Big5Reader& operator=(const Big5Reader&) = delete;

    bool at_end() { return pos_ == end_ && !fill(); }
    // The next character: a byte value, or lead * 256 + trail. Requires !at_end().
    unsigned get() {
        const unsigned char b = buffer_[pos_++];
        if (!is_big5_lead(b)) return b;
        return with_trail(b);
    }
    // Skips characters up to and including the first that is `a` or `b` (both below 40,
    // so never inside a double-byte character). Returns it, or -1 at the end of the file.
    int skip_through(unsigned char a, unsigned char b);

    const std::filesystem::path& path() const { return file_->path(); }
    // Where the next character starts in the file.
    off_t position() const { return offset_ - static_cast<off_t>(end_ - pos_); }

  private:
    bool fill();
    unsigned with_trail(unsigned char lead);

    std::optional<HeldReport> own_;
    const HeldReport* file_;
    off_t offset_ = 0;
    std::vector<unsigned char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

}  // namespace zol
