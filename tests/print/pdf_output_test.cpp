// Printing through the PDF device, checked with the poppler tools on the PDF that comes out.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <string>
#include <tuple>

#include "core/big5.h"
#include "print/page_extent.h"
#include "print/pdf_device.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/printm.h"
#include "print_fixture.h"
#include "report/report_fixture.h"

namespace zol::print {
namespace {

using test::word_boxes;

constexpr double kBorder = PdfDevice::kBorder;

// A one-page per-class report of the real writer.
std::string writer_report() {
    return test::write_report(test::students(20, 3, 5), false).report.bytes;
}

class PdfOutput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { install_font_substitutions(); }

    // Prints pages from..to of `bytes` into out.pdf, or onto `device` when one is given;
    // the PDF's path.
    std::filesystem::path print(const std::string& bytes, int from, int to,
                                DeviceFactory device = nullptr) {
        dir.write_report(bytes);
        state.report_path = dir.base().string() + "/RPT/rep_5300.txt";
        state.paper_name = "A4";
        state.orientation = 2;
        state.print_from = from;
        state.print_to = to;
        const auto pdf = dir.file("out.pdf");
        print_pages(state,
                    device ? device : pdf_device_factory(QString::fromStdString(pdf.string())));
        return pdf;
    }

    test::PackageDir dir;
    PrintState state;
};

TEST_F(PdfOutput, FontsAreEmbeddedAndTheCopiedTextIsTheReportsOwn) {
    const auto pdf = print(to_big5("一頁") + "\r\n" + writer_report(), 1, 1);
    const std::string fonts = test::run_tool("pdffonts", {QString::fromStdString(pdf.string())});
    int rows = 0;
    for (const auto& line : test::split_lines(fonts)) {
        if (line.find("CID") == std::string::npos && line.find("Type") == std::string::npos)
            continue;
        if (line.rfind("name", 0) == 0) continue;
        ++rows;
        // Embedded (the emb column), and the font the report names.
        EXPECT_TRUE(line.find(" yes ") != line.npos && line.find("NotoSansMonoCJKtc") != line.npos)
            << line;
    }
    EXPECT_EQ(rows, 2);  // regular and bold

    // Byte for byte, no Unicode normalisation: 一 is U+4E00 (E4 B8 80) and 頁 U+9801
    // (E9 A0 81), never the Kangxi radicals U+2F00 (E2 BC 80) and U+2FB4 (E2 BE B4).
    const std::string text =
        test::run_tool("pdftotext", {"-enc", "UTF-8", QString::fromStdString(pdf.string()), "-"});
    EXPECT_TRUE(text.find("\xE4\xB8\x80") != text.npos && text.find("\xE9\xA0\x81") != text.npos);
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
    // The four edges; white inside, nothing outside.
    const std::tuple<double, double, bool> points[] = {{435.5, 100, true}, {534.5, 100, true},
                                                       {480, 50.5, true},  {480, 162, true},
                                                       {480, 100, false},  {430, 100, false}};
    for (const auto& [x, y, edge] : points) EXPECT_EQ(dark(x, y), edge) << x << ", " << y;

    // The text after the picture goes on below the text before it, as if there were none.
    const auto boxes = word_boxes(pdf);
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(boxes[0].size(), 2u);
    EXPECT_NEAR(boxes[0][1].y0 - boxes[0][0].y0, 20, 0.01);  // two 10 pt line heights
}

// Fitting to the page measures what is painted: the widest line measured is, at the job's
// one scale, the widest line on the PDF.
TEST_F(PdfOutput, MeasuredWidthIsThePrintedWidth) {
    struct Measure : PageExtent {
        QSizeF* out;
        explicit Measure(QSizeF* o) : out(o) {}
        void end() override { *out = size(); }
    };
    const std::string report = writer_report();
    QSizeF extent;
    print(report, 1, 1, [&extent] { return std::make_unique<Measure>(&extent); });
    double right = 0;
    const auto boxes = word_boxes(print(report, 1, 1));
    for (const test::Box& b : boxes.at(0)) right = std::max(right, b.x1);
    const QSizeF a4_landscape((842 - 2 * kBorder) * 20, (595 - 2 * kBorder) * 20);
    EXPECT_NEAR(right - kBorder, extent.width() / 20 * fit_scale(extent, a4_landscape), 0.2);
}

TEST_F(PdfOutput, UnwritablePdfIsAPrintErrorAndKeepsNothingOpen) {
    dir.write_report(writer_report());
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
