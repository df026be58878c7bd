// The preview window PREPRINT: one page of the report at a time, the page total and the
// current page, paging to the first, previous, next and last page, and printing (or writing
// as PDF) a typed page range. It does not block the query window.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "print/print_device.h"
#include "print/print_state.h"
#include "report/held_report.h"
#include "report/xlsx_run.h"
#include "ui/message_box.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zol {

class PageZoom;
class PreviewFind;

// The title of the preview's own messages.
inline constexpr const char* kPreviewTitle = "預視列印訊息";

// What the window asks of its surroundings; tests replace these.
struct PreviewHooks {
    // The preview's own messages (title "預視列印訊息", OK only); default: a message box.
    MessageFn message;
    // Failures of printing or reading (the application's title); default: show_message.
    MessageFn error;
    // The PDF file to write, from a save dialog; empty when the user cancels.
    std::function<QString()> pdf_file_name;
    // The workbook to write; default: a save dialog. Empty when the user cancels.
    std::function<QString()> xlsx_file_name;
    // The device of 列印; default: the system's default printer.
    print::DeviceFactory printer;
};

class PREPRINT : public QWidget {
    Q_OBJECT
  public:
    // `state` is the paging module's state, owned by the program; `base_path` the package
    // directory under which the report lies.
    PREPRINT(print::PrintState& state, std::string base_path, PreviewHooks hooks = {},
             QWidget* parent = nullptr);
    ~PREPRINT() override;

    // show_preview's part once the window is loaded: the settings, the labels and page 1.
    // The report is held open from here on: another run that writes the report file does
    // not change what this window shows, prints or writes.
    void show_report(const std::string& file_name, std::int32_t total_pages,
                     const std::string& paper_name, std::int16_t orientation);
    // While the query window's own run replaces the report, the buttons that read it rest.
    void set_run_in_progress(bool running);

    void CMD_FIRSTPAGE_Click();
    void CMD_PREPAGE_Click();
    void CMD_NEXTPAGE_Click();
    void CMD_LASTPAGE_Click();
    void CMD_PRINT_Click();
    void CMD_PDF_Click();
    // Writes the students on the pages of the range boxes as a workbook, from the run's
    // statements run again (the window itself only knows the report file).
    void CMD_EXCEL_Click();
    // The run behind the report shown; without one the Excel button only tells so.
    void set_source(std::optional<XlsxSource> source) { source_ = std::move(source); }
    void CMD_EXCAPE_Click();

    // The controls, for the program's tests.
    QLabel* lbl_totpage() const { return LBL_TOTPAGE; }
    QLabel* lab_nowspage() const { return LAB_NOWSPAGE; }
    QLineEdit* txt_pribegin() const { return TXT_PRIBEGIN; }
    QLineEdit* txt_priend() const { return TXT_PRIEND; }
    QPlainTextEdit* preprint_text() const { return PREPRINT_TEXT; }
    QPushButton* cmd_print() const { return CMD_PRINT; }
    QPushButton* cmd_pdf() const { return CMD_PDF; }
    QPushButton* cmd_excel() const { return CMD_EXCEL; }
    QPushButton* cmd_firstpage() const { return CMD_FIRSTPAGE; }
    QPushButton* cmd_prepage() const { return CMD_PREPAGE; }
    QPushButton* cmd_nextpage() const { return CMD_NEXTPAGE; }
    QPushButton* cmd_lastpage() const { return CMD_LASTPAGE; }
    QPushButton* cmd_excape() const { return CMD_EXCAPE; }
    QLabel* picture1() const { return Picture1; }
    PageZoom* page_zoom() const { return zoom_; }
    PreviewFind* find_band() const { return FIND; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void build();
    // Names for assistive technology and tooltips.
    void describe_controls();
    // A page number into its box, which is named with the box's caption and the number.
    void show_count(QLabel* label, const QString& text);
    void Form_Load();
    // show_page into PREPRINT_TEXT, with the label of the current page.
    void load_page(int page);
    void go_to(int page);
    // Reads the range boxes into print_from / print_to; false (the user told) when a
    // number does not fit a page number.
    bool read_range();
    void run_print(const print::DeviceFactory& device);
    // True when the report is held; else the user is told it could not be opened.
    bool has_report();
    // Zoom and Esc, wherever the focus is in the window.
    bool window_key(const QKeyEvent* key);
    // The page text pages: PageDown at its bottom, PageUp at its top, Ctrl+Home, Ctrl+End.
    bool page_key(const QKeyEvent* key);

    print::PrintState& state_;
    std::string base_path_;
    // The report shown and its page total; a direct print from the query window changes the
    // paging module's state but not this window's report.
    std::shared_ptr<const HeldReport> report_;
    std::int32_t total_pages_ = 0;
    PreviewHooks hooks_;
    std::optional<XlsxSource> source_;

    QFrame* Frame1 = nullptr;
    QLabel* LBL_TOTALPAGE = nullptr;
    QLabel* LBL_TOTPAGE = nullptr;
    QLabel* LBL_NOWPAGE = nullptr;
    QLabel* LAB_NOWSPAGE = nullptr;
    QLabel* LBL_SELECT = nullptr;
    QLineEdit* TXT_PRIBEGIN = nullptr;
    QFrame* Line2 = nullptr;
    QLineEdit* TXT_PRIEND = nullptr;
    QPlainTextEdit* PREPRINT_TEXT = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* CMD_PRINT = nullptr;
    QPushButton* CMD_FIRSTPAGE = nullptr;
    QPushButton* CMD_PREPAGE = nullptr;
    QPushButton* CMD_NEXTPAGE = nullptr;
    QPushButton* CMD_LASTPAGE = nullptr;
    QPushButton* CMD_EXCAPE = nullptr;
    QPushButton* CMD_PDF = nullptr;
    QPushButton* CMD_EXCEL = nullptr;
    QLabel* Picture1 = nullptr;
    QLabel* Picture2 = nullptr;
    PageZoom* zoom_ = nullptr;
    PreviewFind* FIND = nullptr;
};

}  // namespace zol
