// Reading the report file back: the first-page filter, the page fetch and page filter,
// and the end of the file in every state.
#include <gtest/gtest.h>

#include <string_view>
#include <tuple>

#include "core/big5.h"
#include "report/big5_reader.h"
#include "report/report_file.h"
#include "report/report_fixture.h"
#include "report/report_reader.h"

namespace zol::test {
namespace {

// Records the operations and whether the box was visible when each line came.
class RecordingSink : public TextSink {
  public:
    void clear() override { events.push_back("clear"), text.clear(); }
    void hide() override { events.push_back("hide"), visible = false; }
    void append(std::string_view utf8) override {
        events.push_back(visible ? "append" : "append-hidden");
        text += utf8;
    }
    void show() override { events.push_back("show"), visible = true; }
    std::vector<std::string> events;
    std::string text;
    bool visible = true;
};

const std::string kFFLine = "\01421\r\n";

TEST(Reader, FiltersOfTheFirstPageAndOfThePageFetch) {
    const TempDir dir;
    const struct {
        const char* name;
        std::string bytes;
        const char* first;  // read_first_page
        const char* page1;  // show_page(1)
        const char* page2;
    } cases[] = {
        {"tab dropped, unknown escape keeps its character", "a\tb\033xc\r\n" + kFFLine, "abxc\r\n",
         "abxc\r\n", ""},
        {"escape sequences dropped",
         "\033@a\0330b\0332c\03331d\033A1e\033C1f\033W1g\r\n\0334 picture "
         "line\r\nh\034@\034U\034Vi\034S12j\034T12k\034xl\r\n",
         "abcdefg\r\nhijkxl\r\n", "abcdefg\r\nhijkxl\r\n", ""},
        {"ESC S drops two characters on the first page only", "\033S12text\r\n\033Tabmore\r\n",
         "text\r\nmore\r\n", "S12text\r\nTabmore\r\n", ""},
        {"double-byte characters count as one",
         "\033S" + to_big5("中文") + "text\r\n\034" + "S" + to_big5("一許功") + "\r\n",
         "text\r\n功\r\n", "S中文text\r\n功\r\n", ""},
        {"font line with text on it", "\034W7 hello\r\nnext\r\n", "hello\r\nnext\r\n", "next\r\n",
         ""},
        {"lower-case v", "\034v7 x\r\ny\r\n", "x\r\ny\r\n", "y\r\n", ""},
        {"first page's FF skip stops at a blank", "a\r\n\01421 x\r\nb\r\n" + kFFLine, "a\r\n",
         "a\r\n", "b\r\n"},
        {"text before the FF is the page's last line", "one\r\nlast\01421\r\nafter\r\n",
         "one\r\nlast", "one\r\nlast", "after\r\n"},
        {"an FF inside a line ends the page", "a\014junk\r\nb\r\n" + kFFLine + "c\r\n", "a", "a",
         "b\r\n"},
        {"characters after the last line end", "a\r\nb\r", "a\r\n", "a\r\n", ""},
        {"empty file", "", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir / "r.txt", c.bytes);
        StringSink sink;
        read_first_page(dir / "r.txt", sink);
        EXPECT_EQ(sink.text(), c.first);
        for (const auto& [n, want] :
             {std::pair{1, c.page1}, {0, c.page1}, {-3, c.page1}, {2, c.page2}}) {
            show_page(dir / "r.txt", n, sink);
            EXPECT_EQ(sink.text(), want) << "page " << n;
            EXPECT_TRUE(sink.visible());
        }
    }
    // Truncated control sequences stop at the end of the file.
    for (const std::string tail :
         {"\033", "\034", "\034W", "\034W7", "\034W7\r", "\0343", "\0343110", "\033S1", "\0333",
          "\0334abc", "\034S", "\014", "\0142", "\01421\r", "\xa4", "text\0334"}) {
        write_file(dir / "t.txt", "x\r\n" + tail);
        StringSink sink;
        read_first_page(dir / "t.txt", sink);
        EXPECT_EQ(sink.text(), "x\r\n") << ::testing::PrintToString(tail);
        show_page(dir / "t.txt", 2, sink);
        EXPECT_EQ(sink.text(), "") << ::testing::PrintToString(tail);
    }
}

// The reader's next character, which must be there.
unsigned next(Big5Reader& in) {
    EXPECT_FALSE(in.at_end());
    return in.at_end() ? 0u : in.get();
}

// Each limit of the lead and trail byte ranges, one row on each side: one character or two.
TEST(Reader, Big5ByteRangesOnBothSides) {
    const TempDir dir;
    const struct {
        unsigned lead, trail;
        bool pair;
    } rows[] = {
        {0x81, 0x40, true},  {0x80, 0x40, false}, {0xFE, 0xFE, true},  {0xFF, 0x40, false},
        {0x81, 0x3F, false}, {0x81, 0x7E, true},  {0x81, 0x7F, false}, {0x81, 0xA0, false},
        {0x81, 0xA1, true},  {0x81, 0xFF, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << r.lead << " " << r.trail);
        write_file(dir / "b", {static_cast<char>(r.lead), static_cast<char>(r.trail), '\r'});
        Big5Reader in(dir / "b");
        if (r.pair) {
            EXPECT_EQ(next(in), r.lead << 8 | r.trail);
        } else {
            EXPECT_EQ(next(in), r.lead);
            EXPECT_EQ(next(in), r.trail);
        }
        EXPECT_EQ(next(in), unsigned{'\r'});  // no trail: never joins a lead
        EXPECT_TRUE(in.at_end());
    }
    // A pair split by the end of the reader's buffer is still one character; a damaged file
    // that ends on a lead byte, or has a line end after one, gives the byte alone.
    const std::string fill((1u << 18) - 1, 'a');
    write_file(dir / "b", fill + "\xa4\xa4\xa4");
    Big5Reader split(dir / "b");
    for (std::size_t i = 0; i < fill.size(); ++i) next(split);
    EXPECT_EQ(next(split), 0xA4A4u);
    EXPECT_EQ(next(split), 0xA4u);
    EXPECT_TRUE(split.at_end());
    write_file(dir / "r.txt", "\xa4\xa4\xa4\r\n");
    StringSink sink;
    read_first_page(dir / "r.txt", sink);
    EXPECT_EQ(sink.text(), from_big5("\xa4\xa4\xa4") + "\r\n");
}

// Every control line, and the lines one code beside each, which are printed as text.
TEST(ReportFile, ControlLinesAndTheirNeighbours) {
    using K = LineKind;
    const std::tuple<std::string_view, K, int> rows[] = {
        {"\034W1", K::FontSize, 9}, {"\034W8", K::FontSize, 16}, {"\034W9", K::BoldOn, 0},
        {"\034W0", K::BoldOff, 0},  {"\034W:", K::Text, 0},      {"\034W/", K::Text, 0},
        {"\034X1", K::Text, 0},     {"\035W1", K::Text, 0},      {"\034W", K::Text, 0},
        {"\03431", K::Spacing, 0},  {"\03432", K::Text, 0},      {"\03421", K::Text, 0},
        {"\03341", K::Picture, 0},  {"\03342", K::Layout, 0},    {"\03343", K::Text, 0},
        {"\03340", K::Text, 0},     {"\03351", K::Text, 0},      {"\03241", K::Text, 0},
        {"\f21", K::PageEnd, 0},    {"\f21 x", K::PageEnd, 0},   {"\f2", K::Text, 0},
        {"\f22", K::Text, 0}};
    for (const auto& [line, kind, size] : rows) {
        EXPECT_EQ(line_control(line).kind, kind) << line.substr(1);
        EXPECT_EQ(line_control(line).font_size, size) << line.substr(1);
    }
}

TEST(Reader, SinkIsHiddenWhileAPageIsFilledAndLeftAloneWithoutAFile) {
    const TempDir dir;
    write_file(dir / "r.txt", "l1\r\nl2\r\n\034W7\r\nl3\r\n" + kFFLine + "p2\r\n" + kFFLine);
    RecordingSink sink;
    show_page(dir / "r.txt", 1, sink);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"clear", "hide", "append-hidden",
                                                     "append-hidden", "append-hidden", "show"}));
    EXPECT_EQ(sink.text, "l1\r\nl2\r\nl3\r\n");
    RecordingSink first;
    read_first_page(dir / "r.txt", first);
    EXPECT_EQ(first.events, (std::vector<std::string>{"clear", "append", "append", "append"}));

    RecordingSink untouched;
    untouched.text = "previous page";
    try {
        show_page(dir / "missing.txt", 2, untouched);
        ADD_FAILURE() << "no error";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("無法開啟報表檔"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find((dir / "missing.txt").string()), std::string::npos);
    }
    EXPECT_THROW(read_first_page(dir / "missing.txt", untouched), ReportError);
    EXPECT_TRUE(untouched.events.empty());
    EXPECT_EQ(untouched.text, "previous page");
}

}  // namespace
}  // namespace zol::test
