#include "report/report_find.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "core/big5.h"
#include "core/io_loop.h"
#include "core/text.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/screen_rules.h"
#include "report/text_sink.h"

namespace zol {

namespace {

// Pages are read whole, several to a read, up to this many bytes (one larger page alone).
constexpr off_t kChunk = off_t{4} << 20;

bool is_digit(unsigned char b) {
    return b >= '0' && b <= '9';
}
bool is_letter(unsigned char b) {
    return to_lower_ascii(b) >= 'a' && to_lower_ascii(b) <= 'z';
}
unsigned char at(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}
// Bytes of the character at `i`, as the page reader takes them: a lead byte with a trail
// byte after it is one character, any other byte one of its own.
std::size_t char_length(std::string_view s, std::size_t i) {
    return is_big5_lead(at(s, i)) && i + 1 < s.size() && is_big5_trail(at(s, i + 1)) ? 2 : 1;
}

// Reads up to `length` bytes at `offset`; fewer only where the file ends.
std::size_t read_range(const HeldReport& report, char* into, std::size_t length, off_t offset) {
    const ssize_t done = read_full_at(report.fd(), into, length, offset);
    if (done < 0) report_read_failed(report.path(), errno);
    return static_cast<std::size_t>(done);
}

// True when the line at `i` of a page is one the screen filter drops whole, line end
// included, whatever page it is on.
bool dropped_line_at(std::string_view page, std::size_t i) {
    if (i > 0 && page[i - 1] != '\n') return false;
    const std::size_t lf = page.find('\n', i);
    if (lf == std::string_view::npos || lf < i + 2 || page[lf - 1] != '\r') return false;
    return screen::dropped_whole(page.substr(i, lf - 1 - i));
}

// True when the page's shown lines are its text lines as they stand: every filter byte
// opens a line that the filter drops whole.
bool plain_page(std::string_view page) {
    for (const char c : screen::kFilterBytes) {
        for (std::size_t i = page.find(c); i != std::string_view::npos; i = page.find(c, i + 1))
            if (!dropped_line_at(page, i)) return false;
    }
    return true;
}

// The shown lines of a plain page: its text lines without their line ends. A last line
// without LF (the end of the file) is not shown.
void plain_lines(std::string_view page, std::vector<std::string_view>& lines) {
    for (std::size_t s = 0, lf; (lf = page.find('\n', s)) != std::string_view::npos; s = lf + 1) {
        // On a plain page every line that opens with a filter byte is dropped whole.
        if (screen::kFilterBytes.find(page[s]) != std::string_view::npos) continue;
        std::size_t end = lf;
        if (end > s && page[end - 1] == '\r') --end;
        lines.push_back(page.substr(s, end - s));
    }
}

// The page reader's lines, as the preview's page text splits them, back in Big5.
class LineSink : public TextSink {
  public:
    explicit LineSink(std::vector<std::string>& lines) : lines_(lines) {}
    void clear() override {}
    void hide() override {}
    void append(std::string_view utf8) override {
        if (utf8.ends_with('\n')) utf8.remove_suffix(1);
        if (utf8.ends_with('\r')) utf8.remove_suffix(1);
        lines_.push_back(to_big5(utf8));
    }
    void show() override {}

  private:
    std::vector<std::string>& lines_;
};

FindHit make_hit(std::int64_t page, std::int64_t line, std::string_view big5,
                 std::pair<std::size_t, std::size_t> match) {
    FindHit hit;
    hit.place = {page, line, match.first};
    hit.length = match.second;
    hit.line = from_big5(big5);
    hit.begin = from_big5(big5.substr(0, match.first)).size();
    hit.end = hit.begin + from_big5(big5.substr(match.first, match.second)).size();
    return hit;
}

}  // namespace

FindPattern::FindPattern(std::string_view utf8) {
    const std::string big5 = to_big5(utf8);
    const std::string_view s(big5);
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char b = at(s, i);
        const std::size_t n = char_length(s, i);
        const bool after_digit = !units_.empty() && units_.back().kind == Kind::digit;
        if (n == 2) {
            units_.push_back({Kind::exact, b, at(s, i + 1)});
        } else if (is_letter(b)) {
            units_.push_back({Kind::letter, to_lower_ascii(b), 0});
        } else if (is_digit(b)) {
            units_.push_back({Kind::digit, b, 0});
        } else if (!(b == ',' && after_digit && i + 1 < s.size() && is_digit(at(s, i + 1)))) {
            units_.push_back({Kind::exact, b, 0});
        }
        i += n;
    }
    // A digit after a digit may have a comma before it in the report.
    for (std::size_t i = 0; i < units_.size(); ++i) {
        const Unit& u = units_[i];
        if (u.kind == Kind::letter ||
            (u.kind == Kind::digit && i > 0 && units_[i - 1].kind == Kind::digit))
            break;
        prefix_.push_back(static_cast<char>(u.first));
        if (u.second != 0) prefix_.push_back(static_cast<char>(u.second));
    }
}

std::size_t FindPattern::match_at(std::string_view line, std::size_t j) const {
    const std::size_t start = j;
    bool after_digit = false;
    for (const Unit& u : units_) {
        if (u.kind == Kind::digit && after_digit && j + 1 < line.size() && line[j] == ',' &&
            is_digit(at(line, j + 1)))
            ++j;
        if (j >= line.size()) return 0;
        const unsigned char c = at(line, j);
        if (u.kind == Kind::letter) {
            if (to_lower_ascii(c) != u.first) return 0;
        } else if (c != u.first) {
            return 0;
        }
        ++j;
        if (u.second != 0) {
            if (j >= line.size() || at(line, j) != u.second) return 0;
            ++j;
        }
        after_digit = u.kind == Kind::digit;
    }
    return j - start;
}

std::optional<std::pair<std::size_t, std::size_t>> FindPattern::find(std::string_view line,
                                                                     std::size_t from) const {
    if (units_.empty()) return std::nullopt;
    std::size_t boundary = 0;  // the start of a character, walked from the line's start
    for (std::size_t pos = from; pos < line.size();) {
        std::size_t candidate = std::string_view::npos;
        if (prefix_.empty()) {
            for (std::size_t i = pos; i < line.size(); ++i) {
                if (to_lower_ascii(at(line, i)) == units_[0].first) {
                    candidate = i;
                    break;
                }
            }
        } else {
            const void* hit =
                ::memmem(line.data() + pos, line.size() - pos, prefix_.data(), prefix_.size());
            if (hit)
                candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - line.data());
        }
        if (candidate == std::string_view::npos) return std::nullopt;
        while (boundary < candidate) boundary += char_length(line, boundary);
        if (boundary == candidate) {
            if (const std::size_t n = match_at(line, candidate)) return std::pair{candidate, n};
        }
        pos = candidate + 1;
    }
    return std::nullopt;
}

ReportFinder::ReportFinder(std::shared_ptr<const HeldReport> report) : report_(std::move(report)) {}

void ReportFinder::index(const std::stop_token& stop) {
    if (indexed_) return;
    struct stat st {};
    if (::fstat(report_->fd(), &st) != 0) report_read_failed(report_->path(), errno);
    const off_t size = st.st_size;
    // Page k begins after the (k-1)-th FF and the CR that follows it, as the page reader
    // counts them.
    std::vector<off_t> starts{0};
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kChunk, std::max<off_t>(size, 1))));
    bool after_ff = false;
    for (off_t offset = 0; offset < size;) {
        if (stop.stop_requested()) return;
        const std::size_t n = read_range(*report_, buffer.data(), buffer.size(), offset);
        if (n == 0) break;
        const std::string_view chunk(buffer.data(), n);
        for (std::size_t i = 0;;) {
            const std::size_t hit = chunk.find(after_ff ? '\r' : '\f', i);
            if (hit == std::string_view::npos) break;
            if (after_ff)
                starts.push_back(std::min(
                    offset + static_cast<off_t>(hit) + 1 + screen::kPageStartPastCr, size));
            after_ff = !after_ff;
            i = hit + 1;
        }
        offset += static_cast<off_t>(n);
        // Found before a page is read whole, and before the rest of the file is read for it.
        if (offset - starts.back() > kMaxPageBytes) report_page_too_large(report_->path());
    }
    if (after_ff) starts.push_back(size);
    if (starts.back() != size) starts.push_back(size);
    starts_ = std::move(starts);
    indexed_ = true;
}

std::int64_t ReportFinder::page_count(const std::stop_token& stop) {
    index(stop);
    return indexed_ ? static_cast<std::int64_t>(starts_.size()) - 1 : 0;
}

bool ReportFinder::scan(const FindPattern& pattern, std::int64_t first, std::int64_t last,
                        bool backwards, const std::stop_token& stop, const PageLines& page_lines) {
    std::vector<char> buffer;
    std::vector<std::string_view> lines;
    std::vector<std::string> filtered;
    const auto start = [&](std::int64_t page) {
        return starts_[static_cast<std::size_t>(page - 1)];
    };
    std::int64_t p = backwards ? last : first;
    while (backwards ? p >= first : p <= last) {
        if (stop.stop_requested()) return false;
        // The pages lo..hi, whole, in one read.
        std::int64_t lo = p, hi = p;
        if (backwards) {
            while (lo > first && start(hi + 1) - start(lo - 1) <= kChunk) --lo;
        } else {
            while (hi < last && start(hi + 2) - start(lo) <= kChunk) ++hi;
        }
        const off_t base = start(lo);
        buffer.resize(static_cast<std::size_t>(start(hi + 1) - base));
        const std::size_t got = read_range(*report_, buffer.data(), buffer.size(), base);
        for (std::int64_t k = backwards ? hi : lo; backwards ? k >= lo : k <= hi;
             k += backwards ? -1 : 1) {
            const std::size_t from = static_cast<std::size_t>(start(k) - base);
            const std::size_t to = std::min(got, static_cast<std::size_t>(start(k + 1) - base));
            const std::string_view page(buffer.data() + std::min(from, to),
                                        to - std::min(from, to));
            lines.clear();
            if (plain_page(page)) {
                // No shown line can hold the text when the page's bytes do not hold its start.
                if (!pattern.prefix().empty() &&
                    !::memmem(page.data(), page.size(), pattern.prefix().data(),
                              pattern.prefix().size()))
                    continue;
                plain_lines(page, lines);
            } else {
                filtered.clear();
                LineSink sink(filtered);
                filter_page_at(*report_, start(k), k == 1, sink);
                lines.assign(filtered.begin(), filtered.end());
            }
            if (page_lines(k, lines)) return true;
        }
        p = backwards ? lo - 1 : hi + 1;
    }
    return true;
}

FindResult ReportFinder::find(const FindPattern& pattern, const FindPlace& from,
                              FindDirection direction, const std::stop_token& stop) {
    FindResult result;
    const std::int64_t pages = page_count(stop);
    if (stop.stop_requested()) {
        result.cancelled = true;
        return result;
    }
    if (pattern.empty() || pages == 0) return result;
    // A place beyond the last page stands at its end.
    const FindPlace at = from.page > pages ? FindPlace{pages, INT64_MAX, SIZE_MAX}
                         : from.page < 1   ? FindPlace{1, 0, 0}
                                           : from;
    // The first (or last) match of a page that lies in [low, high).
    const auto look = [&](bool last_one, const FindPlace& low, const FindPlace& high) {
        return [&, last_one, low, high](std::int64_t page,
                                        const std::vector<std::string_view>& lines) {
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const std::int64_t number = static_cast<std::int64_t>(i) + 1;
                std::size_t pos = 0;
                while (const auto m = pattern.find(lines[i], pos)) {
                    pos = m->first + 1;
                    const FindPlace place{page, number, m->first};
                    if (place < low) continue;
                    if (!(place < high)) break;
                    result.hit = make_hit(page, number, lines[i], *m);
                    if (!last_one) return true;
                }
            }
            return result.hit.has_value();
        };
    };
    const FindPlace begin{1, 0, 0}, end{pages + 1, 0, 0};
    const bool next = direction == FindDirection::next;
    bool finished = next ? scan(pattern, at.page, pages, false, stop, look(false, at, end))
                         : scan(pattern, 1, at.page, true, stop, look(true, begin, at));
    // A scan stops short only when cancelled, and then without a match.
    if (finished && !result.hit) {
        finished = next ? scan(pattern, 1, at.page, false, stop, look(false, begin, at))
                        : scan(pattern, at.page, pages, true, stop, look(true, at, end));
        result.wrapped = result.hit.has_value();
    }
    result.cancelled = !finished;
    return result;
}

std::int64_t ReportFinder::find_all(const FindPattern& pattern,
                                    const std::function<void(const FindHit&)>& each) {
    std::int64_t count = 0;
    if (pattern.empty()) return 0;
    scan(pattern, 1, page_count(), false, {},
         [&](std::int64_t page, const std::vector<std::string_view>& lines) {
             for (std::size_t i = 0; i < lines.size(); ++i) {
                 if (const auto m = pattern.find(lines[i])) {
                     each(make_hit(page, static_cast<std::int64_t>(i) + 1, lines[i], *m));
                     ++count;
                 }
             }
             return false;
         });
    return count;
}

}  // namespace zol
