// The preview window PREPRINT with real widgets: its controls, show_preview, the paging
// table, the range boxes, printing and PDF, typed keys, a second preview and closing.
#include "ui/preview_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "core/big5.h"
#include "print/pdf_device.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "support/run_capture.h"
#include "ui/show_preview.h"

namespace zol {
namespace {

// A report of `pages` pages as the writer frames them: control lines, then lines naming the
// page ("第 2 頁 第 1 行", `tag` before it), then the FF line.
std::string report_bytes(int pages, const std::string& tag = "") {
    std::string r;
    for (int p = 1; p <= pages; ++p) {
        r += "\03431100\r\n\x1cW7\r\n\x1cW9\r\n" + to_big5("          郵政轉帳\\臨櫃明細表") +
             "\r\n\x1cW2\r\n\03431150\r\n\x1cW0\r\n";
        for (int l = 1; l <= 3; ++l)
            r += to_big5(tag + "第 " + std::to_string(p) + " 頁 第 " + std::to_string(l) +
                         " 行\r\n");
        r += "\f21\r\n";
    }
    return r;
}

QString page_text(int p, const QString& tag = {}) {
    QString t = QStringLiteral("          郵政轉帳\\臨櫃明細表\n");
    for (int l = 1; l <= 3; ++l) t += tag + QStringLiteral("第 %1 頁 第 %2 行\n").arg(p).arg(l);
    return t;
}

class PreviewWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { install_font_substitutions(); }

    PreviewWindow() {
        std::filesystem::create_directories(base / "rpt");
        hooks.message = [this](const QString& t) { messages << t; };
        hooks.error = [this](const QString& t) { errors << t; };
        hooks.pdf_file_name = [this] { return pdf_answer; };
        hooks.printer = [this]() -> std::unique_ptr<print::PrintDevice> {
            ++printer_runs;
            printed_range = {state.print_from, state.print_to};
            return std::make_unique<print::PdfDevice>(
                QString::fromStdString((base / "printer.pdf").string()));
        };
        host = std::make_unique<PreviewHost>(state, base.string(), hooks);
    }
    ~PreviewWindow() override { host.reset(); }

    // As the writer puts a report in place: a new file renamed over the old one.
    void write(int pages, const std::string& tag = "") {
        std::ofstream(base / "rpt" / "new", std::ios::binary) << report_bytes(pages, tag);
        std::filesystem::rename(base / "rpt" / "new", base / "rpt" / "rep_5300.TXT");
    }
    PREPRINT& open(int pages) {
        write(pages);
        host->show_preview("rep_5300.txt", pages, "A4", 1, 2);
        EXPECT_NE(host->window(), nullptr);
        return *host->window();
    }
    QString text() const { return host->window()->preprint_text()->toPlainText(); }
    QString now() const { return host->window()->lab_nowspage()->text(); }
    // The sheets of a PDF and their text: pdftotext ends each with a form feed.
    static std::string pdf_text(const std::filesystem::path& pdf) {
        return test::run_program({"pdftotext", pdf.string(), "-"}).out;
    }

    const test::TempDir dir{"zol_preview_"};
    const std::filesystem::path base = dir.path();
    print::PrintState state;
    PreviewHooks hooks;
    std::unique_ptr<PreviewHost> host;
    QStringList messages, errors;
    QString pdf_answer;
    int printer_runs = 0;
    std::pair<int, int> printed_range{-99, -99};
};

TEST_F(PreviewWindow, PageTextColumnsAndTabOrder) {
    PREPRINT& w = open(3);
    // Fixed pitch: a Chinese character exactly two ASCII columns.
    const QFontMetricsF m(w.preprint_text()->font());
    EXPECT_EQ(QFontInfo(w.preprint_text()->font()).family(),
              QStringLiteral("Noto Sans Mono CJK TC"));
    EXPECT_DOUBLE_EQ(m.horizontalAdvance(QStringLiteral("頁")), 2 * m.horizontalAdvance('a'));
    EXPECT_DOUBLE_EQ(m.horizontalAdvance(QStringLiteral("_")), m.horizontalAdvance('1'));
    // Tab order, starting at the page text, which has the focus.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(w.focusWidget(), w.preprint_text());
    QWidget* at = w.preprint_text();
    for (QWidget* next : std::initializer_list<QWidget*>{
             w.cmd_print(), w.cmd_firstpage(), w.cmd_prepage(), w.cmd_nextpage(), w.cmd_lastpage(),
             w.txt_pribegin(), w.txt_priend(), w.cmd_excape()}) {
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus) at = at->nextInFocusChain();
        EXPECT_EQ(at, next) << at->objectName().toStdString();
    }
}

// Each click and the page it leads to, with the message it gives at either end.
TEST_F(PreviewWindow, PagingButtons) {
    for (const int pages : {3, 1}) {
        PREPRINT& w = open(pages);
        const QString last = QStringLiteral("已是最後一頁, 無次頁 !"),
                      first = QStringLiteral("已是第一頁, 無前頁 !");
        const struct {
            QPushButton* button;
            int page;
            QString message;
        } clicks[] = {{w.cmd_nextpage(), std::min(2, pages), pages > 1 ? QString() : last},
                      {w.cmd_nextpage(), pages, pages > 2 ? QString() : last},
                      {w.cmd_nextpage(), pages, last},
                      {w.cmd_firstpage(), 1, {}},
                      {w.cmd_lastpage(), pages, {}},
                      {w.cmd_prepage(), std::max(1, pages - 1), pages > 1 ? QString() : first},
                      {w.cmd_prepage(), 1, pages > 2 ? QString() : first},
                      {w.cmd_prepage(), 1, first}};
        for (const auto& c : clicks) {
            messages.clear();
            QTest::mouseClick(c.button, Qt::LeftButton);
            EXPECT_EQ(now(), QString::number(c.page)) << c.button->objectName().toStdString();
            EXPECT_EQ(text(), page_text(c.page));
            EXPECT_EQ(state.current_page, c.page);
            EXPECT_EQ(messages, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        }
        EXPECT_EQ(w.txt_priend()->text(), QStringLiteral(" %1").arg(pages));  // not touched
    }
}

// The range boxes are read as leading numbers; the pages printed follow from them.
TEST_F(PreviewWindow, RangeBoxesAreReadAsLeadingNumbers) {
    PREPRINT& w = open(3);
    const struct {
        const char *from, *to;
        std::pair<int, int> range;
        int sheets;  // -1: nothing printed
    } cases[] = {{"1", " 3", {1, 3}, 3},
                 {"abc", "2", {0, 2}, 2},
                 {" 2x", "2.5", {2, 2}, 1},
                 {"3.5", "-1", {4, -1}, -1},
                 {"3", "2", {3, 2}, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + ".." + c.to);
        std::filesystem::remove(base / "printer.pdf");
        w.txt_pribegin()->setText(c.from);
        w.txt_priend()->setText(c.to);
        QTest::mouseClick(w.cmd_print(), Qt::LeftButton);
        EXPECT_EQ(printed_range, c.range);
        const std::string text = pdf_text(base / "printer.pdf");
        EXPECT_EQ(text.empty() ? -1 : std::count(text.begin(), text.end(), '\f'), c.sheets);
    }
    // Beyond a 32-bit page number: refused with a message, nothing printed.
    const int runs = printer_runs;
    w.txt_priend()->setText("3000000000");
    QTest::mouseClick(w.cmd_print(), Qt::LeftButton);
    EXPECT_EQ(printer_runs, runs);
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.last(),
              QStringLiteral("選印區間的頁數須在 -2147483648 到 2147483647 之間 !"));
    // Printing changes neither the page nor the labels.
    EXPECT_EQ(now(), QStringLiteral("1"));
    EXPECT_EQ(text(), page_text(1));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PreviewWindow, PrintFailureIsShownWithItsDescription) {
    hooks.printer = []() -> std::unique_ptr<print::PrintDevice> {
        throw print::PrintError("找不到印表機：測試");
    };
    host = std::make_unique<PreviewHost>(state, base.string(), hooks);
    PREPRINT& w = open(3);
    QTest::mouseClick(w.cmd_nextpage(), Qt::LeftButton);
    QTest::mouseClick(w.cmd_print(), Qt::LeftButton);
    EXPECT_EQ(errors, QStringList{QStringLiteral("找不到印表機：測試")});
    EXPECT_EQ(now(), QStringLiteral("2"));
}

TEST_F(PreviewWindow, PdfButtonWritesTheChosenRange) {
    PREPRINT& w = open(3);
    const auto pdf = base / "chosen";
    pdf_answer = QString::fromStdString(pdf.string());  // ".pdf" is added
    w.txt_pribegin()->setText("2");
    w.txt_priend()->setText("3");
    QTest::mouseClick(w.cmd_pdf(), Qt::LeftButton);
    const std::string text = pdf_text(base / "chosen.pdf");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2);
    EXPECT_NE(text.find("第 2 頁 第 1 行"), std::string::npos) << text;

    // Cancelled dialog: nothing written. Empty range: told, no dialog.
    pdf_answer.clear();
    std::filesystem::remove(base / "chosen.pdf");
    QTest::mouseClick(w.cmd_pdf(), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(base / "chosen.pdf"));
    w.txt_pribegin()->setText("3");
    w.txt_priend()->setText("2");
    pdf_answer = QString::fromStdString((base / "none.pdf").string());
    QTest::mouseClick(w.cmd_pdf(), Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(base / "none.pdf"));
    EXPECT_EQ(messages.last(), QStringLiteral("選印區間內沒有頁面，不寫 PDF 檔。"));
    EXPECT_EQ(printer_runs, 0);
}

// Another run (another clerk, or this window's print) writes a new report: the open preview
// pages, prints and writes as PDF the report it was opened on until it is shown a new one.
TEST_F(PreviewWindow, KeepsTheReportItWasOpenedOn) {
    PREPRINT& w = open(3);
    write(5, "乙");
    state.total_pages = 5;  // a direct print stores its own report in the module state
    QTest::mouseClick(w.cmd_nextpage(), Qt::LeftButton);
    EXPECT_EQ(text(), page_text(2));
    QTest::mouseClick(w.cmd_lastpage(), Qt::LeftButton);
    EXPECT_EQ(now(), QStringLiteral("3"));
    EXPECT_EQ(text(), page_text(3));
    pdf_answer = QString::fromStdString((base / "kept.pdf").string());
    w.txt_pribegin()->setText("1");
    w.txt_priend()->setText("15");
    QTest::mouseClick(w.cmd_pdf(), Qt::LeftButton);
    const std::string pdf = pdf_text(base / "kept.pdf");
    EXPECT_EQ(std::count(pdf.begin(), pdf.end(), '\f'), 3);
    EXPECT_EQ(pdf.find("乙"), std::string::npos);
    // While the window's own run replaces the report, nothing reads it.
    host->run_in_progress(true);
    for (QPushButton* b : {w.cmd_print(), w.cmd_firstpage(), w.cmd_prepage(), w.cmd_nextpage(),
                           w.cmd_lastpage(), w.cmd_pdf(), w.cmd_excel()})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    host->run_in_progress(false);
    EXPECT_TRUE(w.cmd_nextpage()->isEnabled());
    host->show_preview("rep_5300.txt", 5, "A4", 1, 2);
    QTest::mouseClick(w.cmd_lastpage(), Qt::LeftButton);
    EXPECT_EQ(text(), page_text(5, QStringLiteral("乙")));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

// Page numbers beyond 16 bits: labels, paging, a printed range.
TEST_F(PreviewWindow, FortyThousandPages) {
    PREPRINT& w = open(40000);
    EXPECT_EQ(w.lbl_totpage()->text(), QStringLiteral(" 40000"));
    QTest::mouseClick(w.cmd_lastpage(), Qt::LeftButton);
    EXPECT_EQ(now(), QStringLiteral("40000"));
    EXPECT_EQ(text(), page_text(40000));
    QTest::mouseClick(w.cmd_prepage(), Qt::LeftButton);
    EXPECT_EQ(text(), page_text(39999));
    pdf_answer = QString::fromStdString((base / "end.pdf").string());
    w.txt_pribegin()->setText("39999");
    QTest::mouseClick(w.cmd_pdf(), Qt::LeftButton);
    const std::string pdf = pdf_text(base / "end.pdf");
    EXPECT_EQ(std::count(pdf.begin(), pdf.end(), '\f'), 2);
    EXPECT_NE(pdf.find("第 40000 頁 第 3 行"), std::string::npos) << pdf;
    EXPECT_TRUE(messages.isEmpty() && errors.isEmpty());
}

// Each preview starts at page one, also in the window still open from the last one.
TEST_F(PreviewWindow, ShowPreviewStartsAtPageOneEachTime) {
    PREPRINT& w = open(3);
    EXPECT_EQ(text(), page_text(1));  // no control line, nothing left of one
    EXPECT_EQ(state.report_path, base.string() + "/RPT/rep_5300.txt");
    EXPECT_TRUE(w.isVisible() && !w.isModal());
    QTest::mouseClick(w.cmd_nextpage(), Qt::LeftButton);
    w.txt_pribegin()->setText("2");
    EXPECT_EQ(&open(4), &w);
    EXPECT_EQ(QStringList({w.lbl_totpage()->text(), now(), w.txt_pribegin()->text(),
                           w.txt_priend()->text()}),
              QStringList({" 4", "1", "1", " 4"}));
    EXPECT_EQ(text(), page_text(1));
    EXPECT_EQ(std::pair(state.total_pages, state.current_page), std::pair(4, 1));
}

TEST_F(PreviewWindow, ClosedByExitOrItsCloseControl) {
    PREPRINT& w = open(3);
    QTest::mouseClick(w.cmd_nextpage(), Qt::LeftButton);
    QTest::mouseClick(w.cmd_excape(), Qt::LeftButton);
    EXPECT_EQ(host->window(), nullptr);
    EXPECT_EQ(state.current_page, 2);  // the module state outlives the window
    EXPECT_EQ(state.total_pages, 3);

    PREPRINT& fresh = open(3);
    EXPECT_EQ(now(), QStringLiteral("1"));
    fresh.close();  // the window's own close control
    EXPECT_EQ(host->window(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PreviewWindow, MissingReportFileIsToldAndLeavesTheTextEmpty) {
    host->show_preview("rep_5300.txt", 2, "A4", 1, 2);  // nothing written
    ASSERT_NE(host->window(), nullptr);
    EXPECT_EQ(text(), QString());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("rep_5300"))) << errors[0].toStdString();
    EXPECT_TRUE(host->window()->preprint_text()->isVisible());
}

}  // namespace
}  // namespace zol
