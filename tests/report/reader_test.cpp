// Reading the report file back: the first-page filter, the page fetch and page filter,
// and the end of the file in every state.
#include <gtest/gtest.h>

#include <fstream>

#include "core/big5.h"
#include "report/report_file.h"
#include "report/report_fixture.h"
#include "report/report_reader.h"

namespace zol::test {
namespace {

// Records the operations and whether the box was visible when each line came.
class RecordingSink : public TextSink {
  public:
    void clear() override {
        events.push_back("clear");
        text.clear();
    }
    void hide() override {
        events.push_back("hide");
        visible = false;
    }
    void append(std::string_view utf8) override {
        events.push_back(visible ? "append" : "append-hidden");
        text += utf8;
    }
    void show() override {
        events.push_back("show");
        visible = true;
    }
    std::vector<std::string> events;
    std::string text;
    bool visible = true;
};

class ReaderTest : public ::testing::Test {
  protected:
    std::filesystem::path file(const std::string& bytes) {
        const auto path = dir_.path() / ("r" + std::to_string(++n_) + ".txt");
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string first(const std::string& bytes) {
        StringSink sink;
        read_first_page(file(bytes), sink);
        EXPECT_TRUE(sink.visible());
        return sink.text();
    }
    std::string page(const std::string& bytes, int n) {
        StringSink sink;
        show_page(file(bytes), n, sink);
        EXPECT_TRUE(sink.visible());
        return sink.text();
    }
    // A three-page report of the writer (three classes, per-class mode).
    std::filesystem::path three_pages() {
        std::vector<Payment> ps;
        for (int c = 1; c <= 3; ++c) {
            auto more = students(2 + c, 3, c, "學費", 100 * c);
            ps.insert(ps.end(), more.begin(), more.end());
        }
        ResultSet detail = detail_rows(ps);
        ResultSet items = item_rows(ps);
        const auto path = dir_.path() / "rep_5300.TXT";
        EXPECT_EQ(print_date(detail, items, {false, DateTime{2025, 3, 7}, path}), 3);
        return path;
    }

    TempDir dir_;
    int n_ = 0;
};

// The screen text the writer's page k must give: its text lines with CR LF, no control
// line and nothing left behind by one.
std::string expected_page(const Report& r, int k) {
    std::string out;
    int page = 1;
    for (std::size_t i = 0; i < r.lines.size(); ++i) {
        const std::string& l = r.lines[i];
        if (l.rfind("\x0c", 0) == 0) {
            ++page;
            continue;
        }
        if (page != k || l.rfind("\x1c", 0) == 0) continue;
        out += r.text(i) + "\r\n";
    }
    return out;
}

TEST_F(ReaderTest, ThreePagesOfTheWriter) {
    const auto path = three_pages();
    const Report r = load_report(path);
    StringSink sink;
    read_first_page(path, sink);
    EXPECT_EQ(sink.text(), expected_page(r, 1));
    EXPECT_NE(sink.text().find("    三(三年級) 年 01(忠班) 班 "), std::string::npos);
    EXPECT_EQ(sink.text().find_first_of("\x0c\x1c\x1b"), std::string::npos);
    show_page(path, 3, sink);
    EXPECT_EQ(sink.text(), expected_page(r, 3));
    EXPECT_NE(sink.text().find("    三(三年級) 年 03(忠班) 班 "), std::string::npos);
    EXPECT_TRUE(sink.text().starts_with(std::string(38, ' ') + "郵政轉帳"));
    show_page(path, 2, sink);
    EXPECT_EQ(sink.text(), expected_page(r, 2));
    // Beyond the last FF line: nothing, and the box is shown again.
    show_page(path, 4, sink);
    EXPECT_EQ(sink.text(), "");
    EXPECT_TRUE(sink.visible());
    show_page(path, 30000, sink);
    EXPECT_EQ(sink.text(), "");
}

TEST_F(ReaderTest, PageNumberBelowTwoReadsTheFirstPageThroughThePageFilter) {
    const std::string bytes =
        "\x1bS12one\r\n\x0c"
        "21\r\ntwo\r\n\x0c"
        "21\r\n";
    EXPECT_EQ(page(bytes, 1), "S12one\r\n");
    EXPECT_EQ(page(bytes, 0), "S12one\r\n");
    EXPECT_EQ(page(bytes, -3), "S12one\r\n");
    EXPECT_EQ(page(bytes, 2), "two\r\n");
}

TEST_F(ReaderTest, TabIsDroppedAndUnknownEscapeKeepsItsCharacter) {
    const std::string bytes =
        "a\tb\x1bxc\r\n\x0c"
        "21\r\n";
    EXPECT_EQ(first(bytes), "abxc\r\n");
    EXPECT_EQ(page(bytes, 1), "abxc\r\n");
}

TEST_F(ReaderTest, EscapeSequencesThatAreDropped) {
    const std::string bytes =
        "\x1b@a\x1b"
        "0b\x1b"
        "2c\x1b"
        "31d\x1b"
        "A1e\x1b"
        "C1f\x1bW1g\r\n"
        "\x1b"
        "4 picture line\r\nh\x1c@\x1cU\x1cVi\x1cS12j\x1cT12k\x1cxl\r\n";
    EXPECT_EQ(first(bytes), "abcdefg\r\nhijkxl\r\n");
    EXPECT_EQ(page(bytes, 1), "abcdefg\r\nhijkxl\r\n");
}

TEST_F(ReaderTest, EscapeSDropsTwoCharactersOnlyOnTheFirstPage) {
    const std::string bytes = "\x1bS12text\r\n\x1bTabmore\r\n";
    EXPECT_EQ(first(bytes), "text\r\nmore\r\n");
    EXPECT_EQ(page(bytes, 1), "S12text\r\nTabmore\r\n");
}

// Characters are read whole: the two characters dropped after ESC S may be Chinese.
TEST_F(ReaderTest, DoubleByteCharactersCountAsOneCharacter) {
    const std::string bytes =
        "\x1bS" + to_big5("中文") + "text\r\n\x1c" + "S" + to_big5("一許") + to_big5("功") + "\r\n";
    EXPECT_EQ(first(bytes), "text\r\n功\r\n");
    EXPECT_EQ(page(bytes, 1), "S中文text\r\n功\r\n");
}

TEST_F(ReaderTest, FontLineFollowedByTextOnTheSameLine) {
    const std::string bytes = "\x1cW7 hello\r\nnext\r\n";
    EXPECT_EQ(first(bytes), "hello\r\nnext\r\n");
    EXPECT_EQ(page(bytes, 1), "next\r\n");
    const std::string lower_v = "\x1cv7 x\r\ny\r\n";
    EXPECT_EQ(first(lower_v), "x\r\ny\r\n");
    EXPECT_EQ(page(lower_v, 1), "y\r\n");
}

TEST_F(ReaderTest, FormFeedOnTheFirstPageStopsItsSkipAtABlank) {
    // The page is complete at the FF either way; the skip only decides where page 1 ends.
    const std::string bytes =
        "a\r\n\x0c"
        "21 x\r\nb\r\n\x0c"
        "21\r\n";
    EXPECT_EQ(first(bytes), "a\r\n");
    EXPECT_EQ(page(bytes, 2), "b\r\n");
}

TEST_F(ReaderTest, TextBeforeTheFormFeedIsThePagesLastLine) {
    const std::string bytes =
        "one\r\nlast\x0c"
        "21\r\nafter\r\n";
    EXPECT_EQ(first(bytes), "one\r\nlast");
    EXPECT_EQ(page(bytes, 1), "one\r\nlast");
    EXPECT_EQ(page(bytes, 2), "after\r\n");
}

TEST_F(ReaderTest, CharactersAfterTheLastLineEndAreNotShown) {
    EXPECT_EQ(first("a\r\nb"), "a\r\n");
    EXPECT_EQ(page("a\r\nb\r", 1), "a\r\n");
    EXPECT_EQ(first(""), "");
}

TEST_F(ReaderTest, TruncatedControlSequencesStopAtTheEndOfTheFile) {
    const std::vector<std::string> tails = {
        "\x1b",
        "\x1c",
        "\x1cW",
        "\x1cW7",
        "\x1cW7\r",
        "\x1c"
        "3",
        "\x1c"
        "3110",
        "\x1bS1",
        "\x1b"
        "3",
        "\x1b"
        "4abc",
        "\x1cS",
        "\x0c",
        "\x0c"
        "2",
        "\x0c"
        "21\r",
        "\xa4",
        "text\x1b"
        "4",
    };
    for (const auto& tail : tails) {
        SCOPED_TRACE(::testing::PrintToString(tail));
        const std::string bytes = "x\r\n" + tail;
        EXPECT_EQ(first(bytes), "x\r\n");
        EXPECT_EQ(page(bytes, 1), "x\r\n");
        EXPECT_EQ(page(bytes, 2), "");
    }
}

TEST_F(ReaderTest, PageFetchCountsEveryFormFeed) {
    // An FF inside a text line ends page 1 there; its skip runs to the next CR.
    const std::string bytes =
        "a\x0cjunk\r\nb\r\n\x0c"
        "21\r\nc\r\n";
    EXPECT_EQ(page(bytes, 2), "b\r\n");
    EXPECT_EQ(page(bytes, 3), "c\r\n");
    // A file that ends inside the FF line of the page before.
    EXPECT_EQ(page("a\r\n\x0c"
                   "2",
                   2),
              "");
}

TEST_F(ReaderTest, SinkIsHiddenWhileAPageIsFilledAndFedLineByLine) {
    const auto path = file(
        "l1\r\nl2\r\n\x1cW7\r\nl3\r\n\x0c"
        "21\r\np2\r\n\x0c"
        "21\r\n");
    RecordingSink sink;
    show_page(path, 1, sink);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"clear", "hide", "append-hidden",
                                                     "append-hidden", "append-hidden", "show"}));
    EXPECT_EQ(sink.text, "l1\r\nl2\r\nl3\r\n");
    RecordingSink first_sink;
    read_first_page(path, first_sink);
    EXPECT_EQ(first_sink.events, (std::vector<std::string>{"clear", "append", "append", "append"}));
}

TEST_F(ReaderTest, FileThatCannotBeOpenedLeavesTheSinkAlone) {
    RecordingSink sink;
    sink.text = "previous page";
    const auto missing = dir_.path() / "missing.txt";
    try {
        show_page(missing, 2, sink);
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find(missing.string()), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("無法開啟報表檔"), std::string::npos);
    }
    EXPECT_THROW(read_first_page(missing, sink), ReportError);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(sink.text, "previous page");
    EXPECT_THROW(split_raw_pages(missing), ReportError);
}

TEST_F(ReaderTest, RawPagesOfTheWriter) {
    const auto path = three_pages();
    const Report r = load_report(path);
    const auto pages = split_raw_pages(path);
    ASSERT_EQ(pages.size(), 3u);
    std::string joined;
    for (const auto& p : pages) {
        EXPECT_TRUE(
            p.ends_with("\r\n\x0c"
                        "21\r\n"));
        EXPECT_TRUE(
            p.starts_with("\x1c"
                          "31100\r\n"));
        joined += p;
    }
    EXPECT_EQ(joined, r.bytes);
    // Lines after the last FF line form a last page; a line without LF is left out.
    const auto tail =
        split_raw_pages(file("a\r\n\x0c"
                             "21\r\nb\r\nc"));
    EXPECT_EQ(tail, (std::vector<std::string>{"a\r\n\x0c"
                                              "21\r\n",
                                              "b\r\n"}));
}

}  // namespace
}  // namespace zol::test
