#include "report/report_reader.h"

#include <string_view>

#include "core/big5.h"
#include "report/big5_reader.h"
#include "report/report_file.h"
#include "report/screen_rules.h"

namespace zol {

namespace {

constexpr unsigned kLf = 0x0A;
constexpr unsigned kTab = 0x09;
constexpr unsigned kCr = 0x0D;
constexpr unsigned kFf = static_cast<unsigned char>(control::kFormFeed);
constexpr unsigned kEsc = static_cast<unsigned char>(control::kEsc);
constexpr unsigned kFs = static_cast<unsigned char>(control::kFs);

enum class Filter { first_page, page };

// Drops one character when there is one (the LF after a skipped line's CR, or a
// parameter character).
void drop(Big5Reader& in) {
    if (!in.at_end()) in.get();
}

// Skips the rest of a control line through its CR; when the CR was found its LF goes too.
void skip_line(Big5Reader& in, unsigned char also_stop) {
    if (in.skip_through(kCr, also_stop) == static_cast<int>(kCr)) drop(in);
}

class PendingLine {
  public:
    explicit PendingLine(TextSink& sink) : sink_(sink) {}
    // Every LF ends a shown line, also one that stands as an ESC or FS code's character: the
    // find counts the lines handed over as the text box counts its lines.
    void put(unsigned c) {
        if (c > 0xFF) line_.push_back(static_cast<char>(c >> 8));
        line_.push_back(static_cast<char>(c & 0xFF));
        if (c == kLf) emit();
    }
    void emit() {
        sink_.append(from_big5(line_));
        line_.clear();
    }
    bool empty() const { return line_.empty(); }

  private:
    TextSink& sink_;
    std::string line_;
};

// Screen text of one page, from where the reader stands to the page's FF or the end of
// the file. A line that never met its LF by the end of the file is not shown.
void filter_page(Big5Reader& in, Filter filter, TextSink& sink) {
    const bool first = filter == Filter::first_page;
    // The first-page filter also stops its skips at a blank.
    const unsigned char skip_stop = first ? ' ' : kCr;
    PendingLine line(sink);
    const off_t start = in.position();
    while (!in.at_end()) {
        if (in.position() - start > kMaxPageBytes) report_page_too_large(in.path());
        const unsigned c = in.get();
        switch (c) {
            case kFf:
                in.skip_through(kCr, skip_stop);
                if (!line.empty()) line.emit();
                return;
            case kTab:
                break;
            // Besides the codes of report_file.h, the ESC and FS codes of the printer's
            // language are dropped with their parameter characters, so they never show.
            case kEsc:
            case kFs: {
                if (in.at_end()) return;
                const unsigned d = in.get();
                switch (screen::after(static_cast<unsigned char>(c), d)) {
                    case screen::After::nothing:
                        break;
                    case screen::After::two_first_page:
                        if (!first) {
                            line.put(d);
                            break;
                        }
                        [[fallthrough]];
                    case screen::After::two:
                        drop(in);
                        [[fallthrough]];
                    case screen::After::one:
                        drop(in);
                        break;
                    case screen::After::line:
                        skip_line(in, kCr);
                        break;
                    case screen::After::line_to_blank:
                        skip_line(in, skip_stop);
                        break;
                    case screen::After::shown:
                        line.put(d);
                        break;
                }
                break;
            }
            default:
                line.put(c);
        }
    }
}

// Shows the sink again however the page reading ends.
class ShowAtEnd {
  public:
    explicit ShowAtEnd(TextSink& sink) : sink_(sink) {}
    ~ShowAtEnd() { sink_.show(); }
    ShowAtEnd(const ShowAtEnd&) = delete;
    ShowAtEnd& operator=(const ShowAtEnd&) = delete;

  private:
    TextSink& sink_;
};

void first_page_of(Big5Reader& in, TextSink& sink) {
    sink.clear();
    filter_page(in, Filter::first_page, sink);
}

void page_of(Big5Reader& in, int page, TextSink& sink) {
    sink.clear();
    sink.hide();
    ShowAtEnd show(sink);
    // Page k begins after the (k-1)-th FF: count every FF, wherever it stands.
    for (int counter = 1; counter < page; ++counter) {
        if (in.skip_through(kFf, kFf) < 0) return;
        in.skip_through(kCr, kCr);
        for (int i = 0; i < screen::kPageStartPastCr; ++i) drop(in);
    }
    filter_page(in, Filter::page, sink);
}

}  // namespace

void read_first_page(const std::filesystem::path& path, TextSink& sink) {
    Big5Reader in(path);
    first_page_of(in, sink);
}

void show_page(const std::filesystem::path& path, int page, TextSink& sink) {
    Big5Reader in(path);
    page_of(in, page, sink);
}

void read_first_page(const HeldReport& report, TextSink& sink) {
    Big5Reader in(report);
    first_page_of(in, sink);
}

void show_page(const HeldReport& report, int page, TextSink& sink) {
    Big5Reader in(report);
    page_of(in, page, sink);
}

void filter_page_at(const HeldReport& report, off_t start, bool first_page, TextSink& sink) {
    Big5Reader in(report, start);
    filter_page(in, first_page ? Filter::first_page : Filter::page, sink);
}

}  // namespace zol
