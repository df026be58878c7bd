// Printing through the PDF device, checked with the poppler tools on the PDF that comes out.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "core/big5.h"
#include "print/pdf_device.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/printm.h"
#include "print_fixture.h"
#include "report/report_fixture.h"

namespace zol::print {
namespace {

const std::vector<std::string> kNineItems = {"學費",       "雜費",       "代辦費",
                                             "平安保險費", "家長會費",   "電腦使用費",
                                             "午餐費",     "課後輔導費", "冷氣電費"};

// A per-class report of the real writer: 31 students of one class, so two pages; with nine
// item columns every student takes two lines, so three pages.
test::WrittenReport writer_report(bool wide) {
    std::vector<test::Payment> payments = test::students(31, 3, 5);
    int n = 0;
    for (auto& p : payments) {
        p.items.clear();
        const std::size_t count = wide ? kNineItems.size() : 3;
        for (std::size_t k = 0; k < count; ++k) p.items.push_back({kNineItems[k], 1000.0 + ++n});
    }
    return test::write_report(payments, false);
}

using test::Box;
using test::word_boxes;

constexpr double kBorder = PdfDevice::kBorder;

// The scale a PDF was printed at, from the width of its longest rule of "_" (5 points a
// character at full size).
double job_scale(const std::filesystem::path& pdf) {
    double scale = 0;
    std::size_t longest = 0;
    for (const auto& page : word_boxes(pdf))
        for (const Box& b : page)
            if (b.word.size() > longest && b.word.find_first_not_of('_') == std::string::npos) {
                longest = b.word.size();
                scale = (b.x1 - b.x0) / (5.0 * static_cast<double>(longest));
            }
    return scale;
}

class PdfOutput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { install_font_substitutions(); }

    // Prints pages from..to of `bytes` into out.pdf; the PDF's path.
    std::filesystem::path print(const std::string& bytes, int from, int to) {
        dir.write_report(bytes);
        state.report_path = dir.base().string() + "/RPT/rep_5300.txt";
        state.paper_name = "A4";
        state.orientation = 2;
        state.print_from = static_cast<std::int16_t>(from);
        state.print_to = static_cast<std::int16_t>(to);
        const auto pdf = dir.file("out.pdf");
        print_pages(state, pdf_device_factory(QString::fromStdString(pdf.string())));
        return pdf;
    }

    // The page of the PDF against page `page` of the report file: every word at the place of
    // its print column, at the job's scale inside the border, and no other word.
    void expect_page_as_report(const std::filesystem::path& pdf, int pdf_page, int page) {
        const double scale = job_scale(pdf);
        const auto printed = test::printed_lines(dir.report(), page);
        // Every word starts at its print column (column * size / 2 points from the left edge
        // of the printable area) and on its line's top, both at the job's scale.
        const auto boxes = word_boxes(pdf);
        std::vector<Box> placed = boxes.at(pdf_page - 1);
        for (const auto& line : printed) {
            for (const auto& [word, column] : test::word_columns(line.text)) {
                const double x = kBorder + scale * column * line.points / 2;
                const double y = kBorder + scale * line.top;
                const auto at = std::find_if(placed.begin(), placed.end(), [&](const Box& b) {
                    return b.word == word && std::abs(b.x0 - x) < 0.05 && std::abs(b.y0 - y) < 0.05;
                });
                EXPECT_TRUE(at != placed.end())
                    << "page " << page << ": \"" << word << "\" not at " << x << ", " << y;
                if (at != placed.end()) placed.erase(at);
            }
        }
        EXPECT_TRUE(placed.empty()) << placed.size() << " words more than the report has";
    }

    test::PackageDir dir;
    PrintState state;
};

TEST_F(PdfOutput, WriterReportsPrintOnePageASheetWithTheReportsText) {
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "nine item columns" : "three item columns");
        const test::WrittenReport run = writer_report(wide);
        ASSERT_EQ(run.pages, wide ? 3 : 2);
        const auto pdf = print(run.report.bytes, 1, run.pages);
        ASSERT_EQ(word_boxes(pdf).size(), static_cast<std::size_t>(run.pages));
        for (int p = 1; p <= run.pages; ++p) expect_page_as_report(pdf, p, p);
    }
}

TEST_F(PdfOutput, FontsAreEmbeddedAndTheCopiedTextIsTheReportsOwn) {
    const auto pdf = print(to_big5("一頁") + "\r\n" + writer_report(false).report.bytes, 1, 1);
    const std::string fonts = test::run_tool("pdffonts", {QString::fromStdString(pdf.string())});
    int rows = 0;
    for (const auto& line : test::split_lines(fonts)) {
        if (line.find("CID") == std::string::npos && line.find("Type") == std::string::npos)
            continue;
        if (line.rfind("name", 0) == 0) continue;
        ++rows;
        EXPECT_NE(line.find(" yes "), std::string::npos) << line;  // emb column
        EXPECT_NE(line.find("NotoSansMonoCJKtc"), std::string::npos) << line;
    }
    EXPECT_EQ(rows, 2);  // regular and bold

    // Byte for byte, no Unicode normalisation: 一 is U+4E00 (E4 B8 80) and 頁 U+9801
    // (E9 A0 81), never the Kangxi radicals U+2F00 (E2 BC 80) and U+2FB4 (E2 BE B4).
    const std::string text =
        test::run_tool("pdftotext", {"-enc", "UTF-8", QString::fromStdString(pdf.string()), "-"});
    EXPECT_NE(text.find("\xE4\xB8\x80"), std::string::npos);
    EXPECT_NE(text.find("\xE9\xA0\x81"), std::string::npos);
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]),
                   b1 = static_cast<unsigned char>(text[i + 1]);
        // U+2E80..U+2FDF: E2 BA 80 .. E2 BF 9F
        const bool radical = b0 == 0xE2 && b1 >= 0xBA && b1 <= 0xBF;
        EXPECT_FALSE(radical) << "radical code point at byte " << i;
        if (radical) break;
    }
    EXPECT_NE(text.find("郵政轉帳\\臨櫃明細表"), std::string::npos);
}

TEST_F(PdfOutput, PictureLineDrawsTheOutlineInItsBox) {
    const std::string report = to_big5("前") + "\r\n\03341\r\n" + to_big5("後") + "\r\n\f21\r\n";
    const auto pdf = print(report, 1, 1);
    const std::string images =
        test::run_tool("pdfimages", {"-list", QString::fromStdString(pdf.string())});
    EXPECT_NE(images.find("   105   127 "), std::string::npos) << images;

    // Rendered at 144 dpi: the box is x 435..535 pt, y 50..162.5 pt inside the border.
    const QString png = QString::fromStdString(dir.file("pic").string());
    test::run_tool("pdftoppm",
                   {"-r", "144", "-png", "-singlefile", QString::fromStdString(pdf.string()), png});
    const QImage img(png + ".png");
    ASSERT_FALSE(img.isNull());
    // Dark within one device pixel of the point (the scaled outline is thin).
    auto dark = [&](double x_pt, double y_pt) {
        int darkest = 255;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                darkest = std::min(darkest, qGray(img.pixel(int((x_pt + kBorder) * 2) + dx,
                                                            int((y_pt + kBorder) * 2) + dy)));
        return darkest < 128;
    };
    EXPECT_TRUE(dark(435.5, 100));  // left edge
    EXPECT_TRUE(dark(534.5, 100));  // right edge
    EXPECT_TRUE(dark(480, 50.5));   // top edge
    EXPECT_TRUE(dark(480, 162));    // bottom edge
    EXPECT_FALSE(dark(480, 100));   // white inside
    EXPECT_FALSE(dark(430, 100));   // nothing outside

    // The text after the picture goes on below the text before it, as if there were none.
    const auto boxes = word_boxes(pdf);
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(boxes[0].size(), 2u);
    EXPECT_NEAR(boxes[0][1].y0 - boxes[0][0].y0, 20, 0.01);  // two 10 pt line heights
}

TEST_F(PdfOutput, UnwritablePdfIsAPrintErrorAndKeepsNothingOpen) {
    dir.write_report(writer_report(false).report.bytes);
    state.report_path = dir.base().string() + "/RPT/rep_5300.txt";
    state.print_from = 1;
    state.print_to = 1;
    const QString target = QString::fromStdString((dir.base() / "no" / "such" / "x.pdf").string());
    try {
        print_pages(state, pdf_device_factory(target));
        ADD_FAILURE() << "no error";
    } catch (const PrintError& e) {
        EXPECT_NE(std::string(e.what()).find("x.pdf"), std::string::npos) << e.what();
    }
    // The report file is closed again.
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto target_path = std::filesystem::read_symlink(fd.path(), ec);
        EXPECT_NE(target_path, dir.report()) << fd.path();
    }
}

}  // namespace
}  // namespace zol::print
