// Find in a written report: a typed text looked for in what the preview shows of each page,
// across every page. The report is read as bytes: the text is encoded to Big5 once and each
// match is checked to start on a character boundary, so no page goes through the screen
// filter unless it holds control bytes outside control lines.
#pragma once

#include <sys/types.h>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "report/held_report.h"

namespace zol {

// Where a match stands. `line` is the line's number among the lines the page shows on screen,
// counted from 1: control lines (FF, FS W, FS 3, ESC 4) are not counted, so line M is the M-th
// line of the page text in the preview (0 stands before the first line). `byte` is where the
// match starts in that line's Big5 bytes.
struct FindPlace {
    std::int64_t page = 1;
    std::int64_t line = 0;
    std::size_t byte = 0;
    auto operator<=>(const FindPlace&) const = default;
};

struct FindHit {
    FindPlace place;
    std::size_t length = 0;  // Big5 bytes of the match
    std::string line;        // the shown line in UTF-8, without its line end
    std::size_t begin = 0;   // the match within `line`, in UTF-8 bytes
    std::size_t end = 0;
};

// The typed text made ready once. Latin letters match either case; blanks match as typed;
// the commas between digits are left out, and a comma between two digits of the report is
// passed over, so that "1,500" and "1500" find each other.
class FindPattern {
  public:
    explicit FindPattern(std::string_view utf8);
    bool empty() const { return units_.empty(); }
    // The first match in a shown line (Big5) that starts at or after `from` on a character
    // boundary: its start and its length in bytes.
    std::optional<std::pair<std::size_t, std::size_t>> find(std::string_view line,
                                                            std::size_t from = 0) const;
    // The leading bytes that only match themselves: a page without them holds no match.
    const std::string& prefix() const { return prefix_; }

  private:
    enum class Kind : unsigned char { exact, letter, digit };
    struct Unit {
        Kind kind;
        unsigned char first;
        unsigned char second;  // trail byte of a double-byte character, else 0
    };
    std::size_t match_at(std::string_view line, std::size_t at) const;

    std::vector<Unit> units_;
    std::string prefix_;
};

enum class FindDirection { next, previous };

struct FindResult {
    std::optional<FindHit> hit;
    bool wrapped = false;    // went on past the last page (or before the first) to find it
    bool cancelled = false;  // the stop token was set
};

// Searches one held report. One finder serves one thread at a time; the page starts it
// finds on its first search are kept for the next.
class ReportFinder {
  public:
    explicit ReportFinder(std::shared_ptr<const HeldReport> report);

    const std::shared_ptr<const HeldReport>& report() const { return report_; }
    // The pages of the report: one for each FF, and the bytes after the last FF when any.
    std::int64_t page_count(const std::stop_token& stop = {});
    // next: the first match at or after `from`; previous: the last one before `from`. When
    // there is none, the search goes on from the other end of the report. Throws ReportError
    // when the report cannot be read.
    FindResult find(const FindPattern& pattern, const FindPlace& from, FindDirection direction,
                    const std::stop_token& stop = {});
    // Every line that holds a match, in order, with its first match; returns how many.
    std::int64_t find_all(const FindPattern& pattern,
                          const std::function<void(const FindHit&)>& each);

  private:
    using PageLines = std::function<bool(std::int64_t page, const std::vector<std::string_view>&)>;
    // Hands the shown lines (Big5) of pages first..last, in that order or backwards, to
    // `page_lines` until it returns true; a page that cannot hold the pattern is passed over.
    // False when stopped by the token.
    bool scan(const FindPattern& pattern, std::int64_t first, std::int64_t last, bool backwards,
              const std::stop_token& stop, const PageLines& page_lines);
    void index(const std::stop_token& stop);

    std::shared_ptr<const HeldReport> report_;
    // Byte where each page begins, and the end of the last page.
    std::vector<off_t> starts_;
    bool indexed_ = false;
};

}  // namespace zol
