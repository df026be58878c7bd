// Find in a written report: what matches where (page and shown line), and next / previous
// across pages with the wrap.
#include <gtest/gtest.h>

#include "report/report_find.h"
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

// The index reads the file 4 MiB at a time: the first page's FF is the second read's first byte.
TEST(FindIndex, PageBreakAtTheStartOfARead) {
    const auto report = [](std::size_t n) {
        return framed_report({{std::string(n, 'x')}, {"甲"}});
    };
    const TempDir dir;
    write_file(dir / "r.TXT", report((std::size_t{4} << 20) - report(0).find('\f')));
    ReportFinder finder(std::make_shared<const HeldReport>(dir / "r.TXT"));
    EXPECT_EQ(finder.page_count(), 2);
}

}  // namespace
}  // namespace zol::test
