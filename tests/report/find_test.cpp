// Find in a written report: what matches where (page and shown line), and next / previous
// across pages with the wrap.
#include <gtest/gtest.h>

#include "report/report_find.h"
#include "report/report_reader.h"
#include "report/text_sink.h"
#include "support/report_pages.h"

namespace zol::test {
namespace {

// Four pages; the third and fourth hold the name again.
fs::path written(const TempDir& dir) {
    write_file(dir / "r.TXT",
               framed_report({
                   {"    Zol5300      日期: 115年02月24日",
                    "  10  01   01  王小明   3527221   #轉帳   10   6,000   1,500   7,510",
                    "  10  01   02  李大同   3527222    現金    0    1500       0    1500"},
                   {"  許功乙乙", "  x A", "  王小", "明"},
                   {"王小明 3527221"},
                   // A TAB is dropped on screen: the page goes through the screen filter.
                   {"王\t小明"},
               }));
    return dir / "r.TXT";
}

class Find : public ::testing::Test {
  protected:
    // "page:line" of every line that holds the text.
    std::vector<std::string> all(const std::string& text) {
        std::vector<std::string> out;
        finder.find_all(FindPattern(text), [&](const FindHit& h) {
            out.push_back(std::to_string(h.place.page) + ":" + std::to_string(h.place.line));
        });
        return out;
    }
    const TempDir dir;
    ReportFinder finder{std::make_shared<const HeldReport>(written(dir))};
};

TEST_F(Find, MatchesWhatThePagesShow) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {"王小明", {"1:2", "3:1", "4:1"}},  // not "王小" + "明" split over two lines
        {"3527221", {"1:2", "3:1"}},
        {"1,500", {"1:2", "1:3"}},  // an amount with and without separators
        {"1500", {"1:2", "1:3"}},
        {"6000", {"1:2"}},
        {"zOL5300", {"1:1"}},  // Latin letters in either case; control lines not counted
        {"01   02", {"1:3"}},  // blanks as typed
        {"01 02", {}},
        {"a", {"2:2"}},  // 乙 is A4 41: its trail byte is no "A"
        {"\\", {}},      // 許 and 功 end in 5C
        {"乙乙", {"2:1"}},
        {"311", {}},  // control lines are not searched
        {"W7", {}},
        {"", {}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(all(text), expected) << text;
    EXPECT_EQ(finder.page_count(), 4);
}

TEST_F(Find, NextAndPreviousAcrossPagesAndTheWrap) {
    const FindPattern name("王小明");
    const std::size_t at = std::string("  10  01   01  ").size();  // 王小明 on page 1 line 2
    const struct {
        FindPlace from;
        FindDirection direction;
        FindPlace found;
        bool wrapped;
    } cases[] = {
        {{1, 0, 0}, FindDirection::next, {1, 2, at}, false},
        {{1, 2, at}, FindDirection::next, {1, 2, at}, false},
        {{1, 2, at + 1}, FindDirection::next, {3, 1, 0}, false},
        {{3, 1, 1}, FindDirection::next, {4, 1, 0}, false},
        {{4, 1, 1}, FindDirection::next, {1, 2, at}, true},
        {{3, 1, 0}, FindDirection::previous, {1, 2, at}, false},
        {{2, 0, 0}, FindDirection::previous, {1, 2, at}, false},
        {{1, 2, at}, FindDirection::previous, {4, 1, 0}, true},
        {{9, 0, 0}, FindDirection::previous, {4, 1, 0}, false},  // beyond the last page
    };
    for (const auto& c : cases) {
        const FindResult r = finder.find(name, c.from, c.direction);
        ASSERT_TRUE(r.hit) << c.from.page << ":" << c.from.line;
        EXPECT_EQ(r.hit->place, c.found) << c.from.page << ":" << c.from.line;
        EXPECT_EQ(r.wrapped, c.wrapped) << c.from.page << ":" << c.from.line;
    }
    const FindResult hit = finder.find(FindPattern("1500"), {1, 0, 0}, FindDirection::next);
    ASSERT_TRUE(hit.hit);
    EXPECT_EQ(hit.hit->line.substr(hit.hit->begin, hit.hit->end - hit.hit->begin), "1,500");
    EXPECT_FALSE(finder.find(FindPattern("無此人"), {2, 0, 0}, FindDirection::next).hit);
}

// The pattern's units one line at a time (lines are Big5 bytes; 王 is A4 FD).
TEST(FindPattern, MatchesUnitByUnit) {
    constexpr auto none = std::string_view::npos;
    const struct {
        const char* text;
        std::string_view line;
        std::size_t at, length;
    } cases[] = {
        {"", "abc", none, 0},
        {"~", "a~b", 1, 1},                    // a byte above "z" is no letter
        {",5", "1,5", 1, 2},                   // a comma after no digit is typed text
        {"1,", "21,", 1, 2},                   // ... and one at the end
        {"1,a", "x1,A", 1, 3},                 // ... and one before no digit
        {"#12", "#1,2", 0, 4},                 // a comma passed over between digits
        {"12", "1,", none, 0},                 // ... but not at the line's end
        {"12", "1,x2", none, 0},               // ... nor before no digit
        {"zx", "zy ZX", 3, 2},                 // a letter after the first that differs
        {"a王", "a\xa4\x40 a\xa4\xfd", 4, 3},  // a trail byte that differs
        {"a王", "a\xa4", none, 0},             // ... or is missing
        {"12", "\xa4 12", 2, 2},               // a lead byte without a trail is a character
        {"\xfd", "\xa4\xfd", none, 0},         // never inside a character
    };
    for (const auto& c : cases) {
        const auto m = FindPattern(c.text).find(c.line);
        EXPECT_EQ(m ? m->first : none, c.at) << c.text << " in " << c.line;
        EXPECT_EQ(m ? m->second : 0, c.length) << c.text << " in " << c.line;
    }
}

// Raw report bytes: lines with control bytes where the screen shows them or not, and files
// that end oddly; every page is searched as the preview shows it.
TEST(FindRaw, PagesAsTheyAreShown) {
    using V = std::vector<std::string>;
    const struct {
        std::string bytes;
        const char* text;
        V found;
    } cases[] = {
        {"\tab\r\nab\r\n", "ab", {"1:1", "1:2"}},      // a TAB opening a line is shown
        {"\x1b\r\nab\r\n", "ab", {"1:2"}},             // a lone ESC line is shown (empty)
        {"\x1c\nab\r\n", "ab", {"1:2"}},               // an LF as FS's code character ends a line
        {"x\r\n\x0c\r\n\x1b\nab\r\n", "ab", {"2:2"}},  // ... ESC's too, on any page
        {"\x1cW7\nab\r\n", "ab", {}},     // a control line without CR takes the next one along
        {"ab\r\n\x1cW7", "ab", {"1:1"}},  // ... and without LF at the end
        {"\n\nab\nab\r\n", "ab", {"1:3", "1:4"}},        // empty lines, lines without CR
        {"\x1b\r\nab\n\x1b\r\nab", "ab", {"1:2"}},       // the last line without LF is not shown
        {"ab\r\n\x0c", "ab", {"1:1"}},                   // an FF at the very end
        {"ab\r\n\x0c\r\nab\r\n", "ab", {"1:1", "2:1"}},  // a page after FF CR LF
        {"", "ab", {}},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        write_file(dir / "r.TXT", c.bytes);
        ReportFinder finder(std::make_shared<const HeldReport>(dir / "r.TXT"));
        V out;
        finder.find_all(FindPattern(c.text), [&](const FindHit& h) {
            out.push_back(std::to_string(h.place.page) + ":" + std::to_string(h.place.line));
        });
        EXPECT_EQ(out, c.found) << testing::PrintToString(c.bytes);
        // The same lines as the preview shows them (page 1 as the window opens on it).
        V shown;
        for (int page = 1; page <= finder.page_count(); ++page) {
            StringSink sink;
            if (page == 1) {
                read_first_page(*finder.report(), sink);
            } else {
                show_page(*finder.report(), page, sink);
            }
            std::size_t line = 0;
            for (std::size_t s = 0, lf; (lf = sink.text().find('\n', s)) != std::string::npos;
                 s = lf + 1) {
                ++line;
                if (sink.text().substr(s, lf - s).find(c.text) != std::string::npos)
                    shown.push_back(std::to_string(page) + ":" + std::to_string(line));
            }
        }
        EXPECT_EQ(shown, c.found) << testing::PrintToString(c.bytes);
        const auto first = finder.find(FindPattern(c.text), {0, 0, 0}, FindDirection::next).hit;
        EXPECT_EQ(first
                      ? std::to_string(first->place.page) + ":" + std::to_string(first->place.line)
                      : "",
                  c.found.empty() ? "" : c.found.front());
    }
}

TEST_F(Find, AStopBeforeTheSearchCancelsIt) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(finder.page_count(stop.get_token()), 0);
    const FindResult r =
        finder.find(FindPattern("王小明"), {1, 0, 0}, FindDirection::next, stop.get_token());
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.hit);
    EXPECT_EQ(finder.page_count(), 4);  // not kept from the stopped reading
    EXPECT_FALSE(finder.find(FindPattern(""), {1, 0, 0}, FindDirection::next).hit);
}

// The index reads the file 4 MiB at a time: the fifth page's FF is the second read's first byte.
TEST(FindIndex, PageBreakAtTheStartOfARead) {
    // Five pages within a page's limit fill the first read; the sixth starts the next.
    const std::string most(900'000, 'x');
    const auto report = [&](std::size_t n) {
        return framed_report(
            {{most}, {most}, {most}, {most}, {std::string(n, 'x')}, {"甲"}, {"甲"}});
    };
    std::size_t fifth_ff = 0;
    for (int i = 0; i < 5; ++i) fifth_ff = report(0).find('\f', fifth_ff + 1);
    const TempDir dir;
    write_file(dir / "r.TXT", report((std::size_t{4} << 20) - fifth_ff));
    ReportFinder finder(std::make_shared<const HeldReport>(dir / "r.TXT"));
    EXPECT_EQ(finder.page_count(), 7);
    // The first pages fill a read, forwards and backwards.
    const FindPattern text("甲");
    EXPECT_EQ(finder.find(text, {1, 0, 0}, FindDirection::next).hit.value().place.page, 6);
    EXPECT_EQ(finder.find(text, {7, 0, 0}, FindDirection::previous).hit.value().place.page, 6);
}

}  // namespace
}  // namespace zol::test
