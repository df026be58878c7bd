// print_pages on a device that records the printer operations: the reading of the report
// file, the page range and every control line.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/big5.h"
#include "print/print_error.h"
#include "print/printm.h"
#include "print_fixture.h"
#include "report/report_fixture.h"
#include "report/report_reader.h"

namespace zol::print {
namespace {

// One printer operation as text, e.g. "size 15", "text 100 <abc>", "page".
struct Recorder : PrintDevice {
    std::vector<std::string>* log;
    double y_ = 0;
    double line = 10;
    explicit Recorder(std::vector<std::string>* l) : log(l) {}
    void begin(int paper, int orientation) override {
        log->push_back("begin " + std::to_string(paper) + " " + std::to_string(orientation));
    }
    void set_font_name(const QString& n) override { log->push_back("font " + n.toStdString()); }
    void set_font_size(double p) override {
        line = p;
        log->push_back("size " + std::to_string(int(p)));
    }
    void set_bold(bool b) override { log->push_back(b ? "bold" : "regular"); }
    double y() const override { return y_; }
    void set_y(double t) override { y_ = t; }
    void set_layout_value(double t) override { log->push_back("layout " + std::to_string(int(t))); }
    void print_text(const QString& t) override {
        log->push_back("text " + std::to_string(int(y_)) + " <" +
                       t.toStdString().substr(0, t.toStdString().find('\r')) + ">");
        y_ += 2 * line * 20;  // the text's CR LF and the end of the operation
    }
    void new_page() override {
        log->push_back("page");
        y_ = 0;
    }
    void draw_picture(const QImage& img, const QRectF& r) override {
        char buf[80];
        std::snprintf(buf, sizeof buf, "picture %dx%d %d,%d,%d,%d", img.width(), img.height(),
                      int(r.x()), int(r.y()), int(r.width()), int(r.height()));
        log->push_back(buf);
    }
    void end() override { log->push_back("end"); }
};

class PrintPages : public ::testing::Test {
  protected:
    std::vector<std::string> run(const std::string& bytes, int from, int to,
                                 const std::string& paper = "A4", int orientation = 2) {
        dir.write_report(bytes);
        state.report_path = dir.base().string() + "/RPT/rep_5300.txt";
        state.paper_name = paper;
        state.orientation = static_cast<std::int16_t>(orientation);
        state.print_from = static_cast<std::int16_t>(from);
        state.print_to = static_cast<std::int16_t>(to);
        std::vector<std::string> log;
        print_pages(state, [&log] { return std::make_unique<Recorder>(&log); });
        return log;
    }
    std::vector<std::string> texts(const std::vector<std::string>& log) {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.rfind("text ", 0) == 0 || e == "page") out.push_back(e);
        return out;
    }
    test::PackageDir dir;
    PrintState state;
};

const std::string kCrLf = "\r\n";

std::string pages3() {
    std::string r;
    for (int p = 1; p <= 3; ++p) {
        r += "\x1cW" + std::to_string(p + 1) + kCrLf;  // sizes 10, 11, 12
        r += to_big5("第" + std::to_string(p) + "頁") + kCrLf;
        r += "\f21" + kCrLf;
    }
    return r;
}

TEST_F(PrintPages, RangeSelectsPagesAndTheirOwnControlLines) {
    EXPECT_EQ(texts(run(pages3(), 1, 3)),
              (std::vector<std::string>{"text 0 <第1頁>", "page", "text 0 <第2頁>", "page",
                                        "text 0 <第3頁>", "page"}));
    // Page 2 alone: the FS W line of page 1 is not carried out, page 2's own is.
    const auto two = run(pages3(), 2, 2);
    EXPECT_EQ(texts(two), (std::vector<std::string>{"text 0 <第2頁>", "page"}));
    EXPECT_EQ(std::count(two.begin(), two.end(), "size 10"), 0);
    EXPECT_EQ(std::count(two.begin(), two.end(), "size 11"), 1);
    EXPECT_EQ(texts(run(pages3(), 3, 300)), (std::vector<std::string>{"text 0 <第3頁>", "page"}));
}

// The device set up first (paper code, orientation, font), ended last; the FS W lines set
// the size (1..8) or bold (9) and regular (0).
TEST_F(PrintPages, SetupFirstFontLinesAndEndLast) {
    std::string r;
    for (char d = '1'; d <= '9'; ++d) r += std::string("\x1cW") + d + kCrLf;
    r += "\x1cW0" + kCrLf + "\x1cWx other" + kCrLf;  // FS W with any other character is text
    std::vector<std::string> want = {"begin 13 1", "font 細明體"};
    for (int size = 9; size <= 16; ++size) want.push_back("size " + std::to_string(size));
    want.insert(want.end(), {"bold", "regular", "text 0 <\x1cWx other>", "end"});
    EXPECT_EQ(run(r, 1, 1, "B5", 1), want);
}

TEST_F(PrintPages, PullBackMovesEachTextLineUp) {
    // 10 pt: a text line moves down by 2 x 200 twips, less the pull-back.
    const std::string r = "\x1cW2" + kCrLf + "\03431150" + kCrLf + "a" + kCrLf + "b" + kCrLf +
                          "\03431100" + kCrLf + "c" + kCrLf + "\03431abc" + kCrLf + "d" + kCrLf +
                          "e" + kCrLf + "\03431 7x" + kCrLf + "f" + kCrLf + "g" + kCrLf;
    EXPECT_EQ(texts(run(r, 1, 1)), (std::vector<std::string>{
                                       "text 0 <a>", "text 250 <b>", "text 500 <c>", "text 800 <d>",
                                       "text 1200 <e>", "text 1600 <f>", "text 1993 <g>"}));
    // Each run starts with no pull-back.
    EXPECT_EQ(state.line_pullback, 7);
    EXPECT_EQ(texts(run("x" + kCrLf + "y" + kCrLf, 1, 1)),
              (std::vector<std::string>{"text 0 <x>", "text 400 <y>"}));
}

TEST_F(PrintPages, PictureKeepsThePrintPosition) {
    const std::string r = "a" + kCrLf + "\03341" + kCrLf + "b" + kCrLf + "\03342" + kCrLf;
    const auto log = run(r, 1, 1);
    const std::vector<std::string> want = {"text 0 <a>", "picture 105x127 8700,1000,2000,2250",
                                           "text 400 <b>", "layout 200"};
    EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end() - 1), want);
    EXPECT_EQ(state.saved_y, 400);
}

// Lines that only look like control lines are text; a Big5 character is read whole (許 is
// B3 5C: its trail byte is "\" in ASCII); what follows the last line end is not printed.
TEST_F(PrintPages, TextLinesAsPrinted) {
    const struct {
        std::string bytes;
        std::vector<std::string> texts;
    } cases[] = {
        {"ab\f21" + kCrLf + "\f21" + kCrLf + "z" + kCrLf,
         {"text 0 <ab\f21>", "page", "text 0 <z>"}},
        {to_big5("許功蓋") + kCrLf + "\x1cW" + to_big5("五") + kCrLf,
         {"text 0 <許功蓋>", "text 400 <\x1cW五>"}},
        {"a" + kCrLf + "tail", {"text 0 <a>"}},
    };
    for (const auto& c : cases) EXPECT_EQ(texts(run(c.bytes, 1, 9)), c.texts);
}

TEST_F(PrintPages, MissingReportFileStopsBeforeTheDevice) {
    state.report_path = dir.base().string() + "/RPT/none.txt";
    state.print_from = 1;
    state.print_to = 1;
    bool made = false;
    EXPECT_THROW(print_pages(state,
                             [&made] {
                                 made = true;
                                 return std::unique_ptr<PrintDevice>();
                             }),
                 PrintError);
    EXPECT_FALSE(made);
}

// A report of several MB from the writer: past the writer's flush size (1 MiB) and the
// reader's buffer (256 KiB), with a Big5 lead byte as the last byte of the first buffer.
// The pages read back and a range printed past page 250 are the pages of the file.
TEST_F(PrintPages, LargeReportPastTheBuffers) {
    constexpr std::size_t kEdge = (1u << 18) - 1;
    const auto write = [](std::size_t shift) {
        std::vector<test::Payment> ps;
        for (int c = 1; c <= 20; ++c) {
            const auto more = test::students(1000, 3, c);
            ps.insert(ps.end(), more.begin(), more.end());
        }
        ps[0].stdname = "學生1" + std::string(15 + shift, 'x');  // wider than its area
        return test::write_report(ps, false).report;
    };
    // Where the characters start: a lead byte takes its trail byte with it.
    const auto lead_before_edge = [&](const std::string& b) {
        std::size_t best = 0;
        for (std::size_t i = 0; i <= kEdge; ++i) {
            if (static_cast<unsigned char>(b[i]) < 0x81) continue;
            if (i > 2000) best = i;
            ++i;
        }
        return best;
    };
    const test::Report first = write(0);
    const test::Report r = write(kEdge - lead_before_edge(first.bytes));
    ASSERT_EQ(lead_before_edge(r.bytes), kEdge);
    ASSERT_GT(r.bytes.size(), 2u << 20);
    const int pages = static_cast<int>(r.ff_count());
    ASSERT_GT(pages, 600);
    // Every line as the writer meant it: each page's title, and every student's line of one
    // shape after the seat (the first student's name is wider).
    std::set<std::size_t> shapes;
    int titles = 0, details = 0;
    for (const auto& l : r.lines) {
        titles += l == to_big5(std::string(38, ' ') + "郵政轉帳\\臨櫃明細表");
        if (!l.starts_with("     3   ")) continue;
        ++details;
        shapes.insert(l.size() - l.find(' ', 14));
    }
    EXPECT_EQ(titles, pages);
    EXPECT_EQ(details, 20000);
    EXPECT_EQ(shapes.size(), 2u);

    dir.write_report(r.bytes);
    int edge_page = 1;
    for (std::size_t i = 0; i < kEdge; ++i) edge_page += r.bytes.compare(i, 5, "\r\n\f21") == 0;
    for (int k : {1, edge_page, 251, pages}) {
        SCOPED_TRACE(k);
        StringSink sink;
        show_page(dir.report(), k, sink);
        std::string want;
        for (const auto& l : r.page(k)) want += l + "\r\n";
        EXPECT_TRUE(sink.text() == want) << sink.text().substr(0, 300);
    }
    std::vector<std::string> printed, expected;
    for (const auto& e : run(r.bytes, 251, 253))
        if (e.starts_with("text "))
            printed.push_back(e.substr(e.find('<') + 1, e.size() - e.find('<') - 2));
    for (int k = 251; k <= 253; ++k)
        for (const auto& l : r.page(k)) expected.push_back(l);
    EXPECT_EQ(printed, expected);
}

}  // namespace
}  // namespace zol::print
