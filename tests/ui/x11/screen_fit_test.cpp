// Both windows on the screen of the run: 1920 x 1080 in the suite's own run, and again on the
// smaller screens and larger scales of school offices with a window manager and a panel
// (ZOL_TEST_DESKTOP; see CMakeLists.txt). Qt's own texts too.
#include <QFontInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <iostream>

#include "print/print_fonts.h"
#include "print/printm.h"
#include "support/report_pages.h"
#include "support/run_capture.h"
#include "support/sample_db.h"
#include "support/x11_keys.h"
#include "ui/chinese_platform.h"
#include "ui/page_zoom.h"
#include "ui/query_window_fixture.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

QRect on_desktop(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Once a window manager (where the run has one) has framed it, the window with its frame
// lies inside the work area, and so does each of the buttons.
void expect_on_screen(QWidget& w, const QStringList& buttons) {
    if (std::getenv("ZOL_TEST_DESKTOP")) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry() != w.geometry(); }, 5000));
    }
    const QRect area = w.screen()->availableGeometry();
    EXPECT_TRUE(QTest::qWaitFor([&] { return area.contains(w.frameGeometry()); }, 5000))
        << w.frameGeometry().bottom() << " below " << area.bottom();
    for (const QString& name : buttons)
        EXPECT_TRUE(area.contains(on_desktop(w.findChild<QWidget*>(name)))) << name.toStdString();
}

TEST(ScreenFit, QueryWindowInsideTheWorkAreaAsBuiltOrScaledAsOne) {
    TempPackage pkg;
    WindowUnderTest t(pkg.base());
    ASSERT_TRUE(t.w().Form_Load());
    ZOL5300F1& w = t.w();
    show_focused(w);
    expect_on_screen(w, {"Cmd_print", "Cmd_preprint", "Cmd_clear", "Cmd_exit"});
    const double s = w.layout_scale();
    const QSize room =
        w.screen()->availableGeometry().size() - (w.frameGeometry().size() - w.geometry().size());
    if (room.width() >= 792 && room.height() >= 573) {
        EXPECT_EQ(s, 1.0);
        EXPECT_EQ(w.size(), QSize(792, 573));
    }
    // Places and fonts by one factor, the smallest font (11 pt) no smaller than 8 pt.
    EXPECT_GE(11 * s, 8.0);
    auto* exit = t.find<QPushButton>("Cmd_exit");
    EXPECT_NEAR(exit->x(), 608 * s, 1.0);
    EXPECT_NEAR(exit->width(), 97 * s, 1.0);
    EXPECT_DOUBLE_EQ(exit->font().pointSizeF(), 12 * s);
    EXPECT_DOUBLE_EQ(t.find<QWidget>("CBO_ClsID2")->font().pointSizeF(), 11 * s);
    std::cout << "query window scale " << s << ", " << w.width() << " x " << w.height() << "\n";
}

TEST(ScreenFit, PreviewShowsEveryLineOfTheWidestReportWhole) {
    // Ten item columns: lines of 160 columns.
    SamplePackage pkg(300, 8);
    ASSERT_EQ(run_captured({"report", pkg.base().string(), "--tranday", "113/09/10", "--groups",
                            "2", "--grade", "10"})
                  .code,
              0);
    const Report report = load_report(pkg.base() / "rpt" / "rep_5300.TXT");
    install_font_substitutions();
    print::PrintState state;
    PreviewHost host(state, pkg.base().string());
    const int pages = static_cast<int>(report.ff_count());
    host.show_preview("rep_5300.txt", pages, "A4", 1, print::kLandscape);
    PREPRINT& p = *host.window();
    show_focused(p);
    expect_on_screen(p, {"CMD_PRINT", "CMD_FIRSTPAGE", "CMD_PREPAGE", "CMD_NEXTPAGE",
                         "CMD_LASTPAGE", "CMD_EXCAPE", "CMD_PDF", "CMD_EXCEL"});
    QPlainTextEdit* text = p.preprint_text();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) p.CMD_NEXTPAGE_Click();
        // Once drawn: the layout behind the scroll bar is made as the text is shown.
        text->viewport()->repaint();
        EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0) << "page " << page;
        double widest = 0;
        for (const QString& line : text->toPlainText().split('\n'))
            widest = std::max(widest, QFontMetricsF(text->font()).horizontalAdvance(line));
        EXPECT_LE(widest, text->viewport()->width() - 2 * text->document()->documentMargin())
            << "page " << page;
    }
    EXPECT_LE(p.page_zoom()->points(), 12.0);
    std::cout << "preview text " << p.page_zoom()->points() << " pt\n";
}

// Under any locale (LANG=C in the screen runs): Qt's own buttons in Chinese, drawn in a
// Traditional Chinese font.
TEST(ChinesePlatform, MessageBoxButtonsSpeakTraditionalChinese) {
    ASSERT_TRUE(use_traditional_chinese(*qApp));
    QMessageBox box(QMessageBox::NoIcon, QString(), u8("戶"),
                    QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QStringList texts;
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        texts << box.button(b)->text().remove('&');
    EXPECT_EQ(texts, QStringList({u8("確定"), u8("是(Y)"), u8("否(N)"), u8("取消")}));
    EXPECT_EQ(QFontInfo(box.button(QMessageBox::Ok)->font()).family(), u8(kChineseUiFamily));
}

}  // namespace
}  // namespace zol::test
