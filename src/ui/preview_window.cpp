#include "ui/preview_window.h"

#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include "core/numbers.h"
#include "core/package_path.h"
#include "print/pdf_device.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/printer_device.h"
#include "print/printm.h"
#include "print/report_picture.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/text_sink.h"
#include "ui/digit_line_edit.h"
#include "ui/enter_clicks.h"
#include "ui/page_zoom.h"
#include "ui/preview_find.h"
#include "ui/program_identity.h"
#include "ui/twips.h"

namespace zol {
namespace {

// The design client area is narrower than the band and the page text box; the window is
// opened wide enough to show them whole.
constexpr int kClientWidth = 11895;
constexpr int kClientHeight = 8055;

QFont named_font(const char* family, double points, bool bold = false) {
    QFont f(QString::fromUtf8(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// PREPRINT_TEXT as the page reader's text sink.
class TextBoxSink : public TextSink {
  public:
    explicit TextBoxSink(QPlainTextEdit* box) : box_(box) {}
    void clear() override { box_->clear(); }
    // Not redrawn while it is filled line by line.
    void hide() override { box_->setUpdatesEnabled(false); }
    void append(std::string_view utf8) override {
        QString line = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QTextCursor cursor(box_->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(line);
    }
    void show() override { box_->setUpdatesEnabled(true); }

  private:
    QPlainTextEdit* box_;
};

void preview_message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kPreviewTitle), text, QMessageBox::Ok,
                    parent);
    const NormalPointer pointer;
    box.exec();
}

}  // namespace

PREPRINT::PREPRINT(print::PrintState& state, std::string base_path, PreviewHooks hooks,
                   QWidget* parent)
    : QWidget(parent, Qt::Window),
      state_(state),
      base_path_(std::move(base_path)),
      hooks_(std::move(hooks)) {
    if (!hooks_.message) hooks_.message = [this](const QString& t) { preview_message(this, t); };
    if (!hooks_.error) hooks_.error = [this](const QString& t) { show_message(this, t); };
    if (!hooks_.printer) hooks_.printer = print::printer_device_factory();
    if (!hooks_.pdf_file_name)
        hooks_.pdf_file_name = [this] {
            return QFileDialog::getSaveFileName(
                this, QStringLiteral("另存 PDF 檔"),
                QString::fromStdString(report_export_path(base_path_, ".pdf").string()),
                QStringLiteral("PDF (*.pdf)"));
        };
    build();
    Form_Load();
}

PREPRINT::~PREPRINT() = default;

void PREPRINT::build() {
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(px(kClientWidth), px(kClientHeight));

    Frame1 = new QFrame(this);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(twips(0, 0, 11895, 735));

    const QFont label_font = named_font(kNewMingFont, 12);
    auto label = [&](const char* name, const char* text, QRect r, bool boxed) {
        auto* l = new QLabel(QString::fromUtf8(text), Frame1);
        l->setObjectName(name);
        l->setFont(label_font);
        l->setGeometry(r);
        if (boxed) {
            // A box of the text colours, light or dark as the desktop's palette is.
            l->setAutoFillBackground(true);
            l->setBackgroundRole(QPalette::Base);
            l->setForegroundRole(QPalette::Text);
        }
        return l;
    };
    LBL_TOTALPAGE = label("LBL_TOTALPAGE", "總頁數", twips(120, 240, 1095, 255), false);
    LBL_TOTPAGE = label("LBL_TOTPAGE", "Label2", twips(960, 240, 1095, 375), true);
    LBL_NOWPAGE = label("LBL_NOWPAGE", "目前頁數:", twips(2280, 240, 1095, 255), false);
    LAB_NOWSPAGE = label("LAB_NOWSPAGE", "Label1", twips(3480, 240, 975, 375), true);
    LBL_SELECT = label("LBL_SELECT", "選印區間", twips(4800, 240, 1095, 255), false);

    auto range_box = [&](const char* name, const char* text, QRect r) {
        auto* e = new DigitLineEdit(Frame1);  // page numbers: no input method composes here
        e->setText(QString::fromUtf8(text));
        e->setObjectName(name);
        e->setFont(label_font);
        e->setGeometry(r);
        return e;
    };
    TXT_PRIBEGIN = range_box("TXT_PRIBEGIN", "Text1", twips(6000, 240, 855, 375));
    Line2 = new QFrame(Frame1);
    Line2->setObjectName("Line2");
    Line2->setFrameShape(QFrame::HLine);
    Line2->setGeometry(px(6960), px(360), px(7200) - px(6960), 1);
    TXT_PRIEND = range_box("TXT_PRIEND", "Text2", twips(7440, 240, 975, 375));

    PREPRINT_TEXT = new QPlainTextEdit(this);
    PREPRINT_TEXT->setObjectName("PREPRINT_TEXT");
    PREPRINT_TEXT->setFont(named_font(kMingFont, 12));
    PREPRINT_TEXT->setGeometry(twips(0, 840, 11895, 6615));
    PREPRINT_TEXT->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The font fits the widest line to the width, so the clerk scrolls sideways only
    // after zooming in.
    PREPRINT_TEXT->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PREPRINT_TEXT->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PREPRINT_TEXT->setTabChangesFocus(true);
    // Typed characters never reach the text; it can still be scrolled and selected.
    PREPRINT_TEXT->setReadOnly(true);
    PREPRINT_TEXT->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    PREPRINT_TEXT->installEventFilter(this);
    zoom_ = new PageZoom(PREPRINT_TEXT);  // owned by the text
    // Ctrl+F opens the find field beside the print range.
    FIND = new PreviewFind(Frame1, px(8640), PREPRINT_TEXT,
                           {[this] { return report_; }, [this] { return state_.current_page; },
                            [this](std::int64_t page) { go_to(static_cast<int>(page)); }});

    Line1 = new QFrame(this);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::VLine);
    Line1->setGeometry(px(7080), px(720), 1, px(840) - px(720));

    const QFont button_font = named_font(kMingFont, 13.5, true);
    auto button = [&](const char* name, const char* text, QRect r, void (PREPRINT::*slot)()) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(name);
        b->setFont(button_font);
        b->setGeometry(r);
        b->setAutoDefault(false);
        click_on_enter(b);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    CMD_PRINT = button("CMD_PRINT", "列印", twips(0, 7560, 1335, 372), &PREPRINT::CMD_PRINT_Click);
    CMD_FIRSTPAGE = button("CMD_FIRSTPAGE", "首頁", twips(1440, 7560, 1455, 372),
                           &PREPRINT::CMD_FIRSTPAGE_Click);
    CMD_PREPAGE =
        button("CMD_PREPAGE", "上一頁", twips(3000, 7560, 1335, 372), &PREPRINT::CMD_PREPAGE_Click);
    CMD_NEXTPAGE = button("CMD_NEXTPAGE", "下一頁", twips(4440, 7560, 1335, 372),
                          &PREPRINT::CMD_NEXTPAGE_Click);
    CMD_LASTPAGE =
        button("CMD_LASTPAGE", "末頁", twips(5880, 7560, 1335, 372), &PREPRINT::CMD_LASTPAGE_Click);
    CMD_EXCAPE =
        button("CMD_EXCAPE", "離開", twips(7440, 7560, 1335, 372), &PREPRINT::CMD_EXCAPE_Click);
    // Writes the typed range into a PDF file; it takes the range boxes as 列印 does.
    CMD_PDF = button("CMD_PDF", "PDF", twips(8880, 7560, 1335, 372), &PREPRINT::CMD_PDF_Click);
    CMD_EXCEL =
        button("CMD_EXCEL", "Excel", twips(10320, 7560, 1335, 372), &PREPRINT::CMD_EXCEL_Click);

    Picture1 = new QLabel(this);
    Picture1->setObjectName("Picture1");
    Picture1->setGeometry(twips(7560, 8040, 615, 252));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QPixmap::fromImage(print::report_picture()));
    Picture2 = new QLabel(this);
    Picture2->setObjectName("Picture2");
    Picture2->setGeometry(twips(9120, 7800, 972, 732));

    describe_controls();

    setTabOrder(PREPRINT_TEXT, CMD_PRINT);
    setTabOrder(CMD_PRINT, CMD_FIRSTPAGE);
    setTabOrder(CMD_FIRSTPAGE, CMD_PREPAGE);
    setTabOrder(CMD_PREPAGE, CMD_NEXTPAGE);
    setTabOrder(CMD_NEXTPAGE, CMD_LASTPAGE);
    setTabOrder(CMD_LASTPAGE, TXT_PRIBEGIN);
    setTabOrder(TXT_PRIBEGIN, TXT_PRIEND);
    setTabOrder(TXT_PRIEND, CMD_EXCAPE);
    setTabOrder(CMD_EXCAPE, CMD_PDF);
    setTabOrder(CMD_PDF, CMD_EXCEL);
    PREPRINT_TEXT->setFocus();
}

void PREPRINT::describe_controls() {
    Frame1->setAccessibleName(QStringLiteral("頁數與選印區間"));
    TXT_PRIBEGIN->setAccessibleName(QStringLiteral("選印區間"));
    TXT_PRIEND->setAccessibleName(QStringLiteral("選印區間 至"));
    PREPRINT_TEXT->setAccessibleName(QStringLiteral("報表頁面"));
    Picture1->setAccessibleName(QStringLiteral("列印用的方框圖"));
    Picture2->setAccessibleName(QStringLiteral("空白圖片"));
    show_count(LBL_TOTPAGE, LBL_TOTPAGE->text());
    show_count(LAB_NOWSPAGE, LAB_NOWSPAGE->text());
    const struct {
        QWidget* control;
        const char* tip;
    } tips[] = {
        {LBL_TOTPAGE, "報表的總頁數"},
        {LAB_NOWSPAGE, "目前顯示的頁數"},
        {TXT_PRIBEGIN, "要列印的第一頁（列印、PDF、Excel 都依選印區間）"},
        {TXT_PRIEND, "要列印的最後一頁"},
        {CMD_PRINT, "把選印區間的頁面印到預設印表機"},
        {CMD_FIRSTPAGE, "第一頁（Ctrl+Home）"},
        {CMD_PREPAGE, "上一頁（在頁首按 PageUp）"},
        {CMD_NEXTPAGE, "下一頁（在頁尾按 PageDown）"},
        {CMD_LASTPAGE, "最後一頁（Ctrl+End）"},
        {CMD_EXCAPE, "關閉預覽（Esc）"},
        {CMD_PDF, "把選印區間的頁面另存為 PDF 檔"},
        {CMD_EXCEL, "把選印區間內的學生另存為 Excel 活頁簿"},
    };
    for (const auto& t : tips) t.control->setToolTip(QString::fromUtf8(t.tip));
}

void PREPRINT::show_count(QLabel* label, const QString& text) {
    label->setText(text);
    // The box alone holds a bare number: it is named with its caption.
    const QLabel* caption = label == LBL_TOTPAGE ? LBL_TOTALPAGE : LBL_NOWPAGE;
    label->setAccessibleName(caption->text().remove(QLatin1Char(':')) + QLatin1Char(' ') +
                             text.trimmed());
}

void PREPRINT::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The band and the page text take the window's width; the buttons stay under the text.
    // On a screen lower than the design the page text gives up height, so that the
    // buttons stay on the screen.
    const int w = std::max(width(), px(kClientWidth));
    const int extra = std::max(height() - px(kClientHeight), px(2000) - px(6615));
    Frame1->setGeometry(0, 0, w, px(735));
    PREPRINT_TEXT->setGeometry(0, px(840), w, px(6615) + extra);
    for (QWidget* b : {static_cast<QWidget*>(CMD_PRINT), static_cast<QWidget*>(CMD_FIRSTPAGE),
                       static_cast<QWidget*>(CMD_PREPAGE), static_cast<QWidget*>(CMD_NEXTPAGE),
                       static_cast<QWidget*>(CMD_LASTPAGE), static_cast<QWidget*>(CMD_EXCAPE),
                       static_cast<QWidget*>(CMD_PDF), static_cast<QWidget*>(CMD_EXCEL)})
        b->move(b->x(), px(7560) + extra);
    Picture1->move(Picture1->x(), px(8040) + extra);
    Picture2->move(Picture2->x(), px(7800) + extra);
}

void PREPRINT::Form_Load() {
    state_.current_page = 1;
}

bool PREPRINT::window_key(const QKeyEvent* key) {
    if (zoom_->zoom_key(key)) return true;
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        CMD_EXCAPE_Click();
        return true;
    }
    return false;
}

bool PREPRINT::page_key(const QKeyEvent* key) {
    // Not while the window's own run replaces the report: the keys rest as the buttons do.
    if (!CMD_NEXTPAGE->isEnabled()) return false;
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    const QScrollBar* bar = PREPRINT_TEXT->verticalScrollBar();
    if (mods == Qt::NoModifier && key->key() == Qt::Key_PageDown && bar->value() >= bar->maximum())
        CMD_NEXTPAGE_Click();
    else if (mods == Qt::NoModifier && key->key() == Qt::Key_PageUp &&
             bar->value() <= bar->minimum())
        CMD_PREPAGE_Click();
    // On the first or last page the keys move within the text, as they do in any text.
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_Home && state_.current_page != 1)
        CMD_FIRSTPAGE_Click();
    else if (mods == Qt::ControlModifier && key->key() == Qt::Key_End &&
             state_.current_page != total_pages_)
        CMD_LASTPAGE_Click();
    else
        return false;
    return true;
}

void PREPRINT::keyPressEvent(QKeyEvent* event) {
    if (!window_key(event)) QWidget::keyPressEvent(event);
}

bool PREPRINT::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PREPRINT_TEXT && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (window_key(key) || page_key(key)) return true;
        // Any key that produces a character is dropped; Tab still moves the focus, and keys
        // without a character (arrows, page keys) still scroll and select.
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && !key->text().isEmpty())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PREPRINT::show_report(const std::string& file_name, std::int32_t total_pages,
                           const std::string& paper_name, std::int16_t orientation) {
    state_.orientation = orientation;
    state_.paper_name = paper_name;
    PREPRINT_TEXT->clear();
    zoom_->new_report();
    show_count(LBL_TOTPAGE, QStringLiteral(" %1").arg(total_pages));
    state_.total_pages = total_pages;
    show_count(LAB_NOWSPAGE, QStringLiteral("1"));
    TXT_PRIBEGIN->setText(QStringLiteral("1"));
    TXT_PRIEND->setText(QStringLiteral(" %1").arg(total_pages));
    total_pages_ = total_pages;
    state_.report_path = handed_over_text(base_path_, file_name);
    state_.current_page = 1;
    report_.reset();
    TextBoxSink sink(PREPRINT_TEXT);
    try {
        report_ = source_ && source_->report
                      ? source_->report
                      : std::make_shared<const HeldReport>(resolve_handed_over(state_.report_path));
        read_first_page(*report_, sink);
    } catch (const ReportError& e) {
        hooks_.error(QString::fromUtf8(e.what()));
    }
}

void PREPRINT::set_run_in_progress(bool running) {
    for (QPushButton* b :
         {CMD_PRINT, CMD_FIRSTPAGE, CMD_PREPAGE, CMD_NEXTPAGE, CMD_LASTPAGE, CMD_PDF, CMD_EXCEL})
        b->setEnabled(!running);
}

bool PREPRINT::has_report() {
    if (report_) return true;
    hooks_.error(QStringLiteral("無法開啟報表檔：") +
                 QString::fromStdString(resolve_handed_over(state_.report_path).string()));
    return false;
}

void PREPRINT::load_page(int page) {
    show_count(LAB_NOWSPAGE, QString::number(page));
    if (!has_report()) return;
    TextBoxSink sink(PREPRINT_TEXT);
    try {
        show_page(*report_, page, sink);
    } catch (const ReportError& e) {
        hooks_.error(QString::fromUtf8(e.what()));
    }
}

void PREPRINT::go_to(int page) {
    state_.current_page = page;
    load_page(page);
    PREPRINT_TEXT->setFocus();
}

void PREPRINT::CMD_FIRSTPAGE_Click() {
    if (state_.current_page != 1) go_to(1);
}

void PREPRINT::CMD_PREPAGE_Click() {
    if (state_.current_page < 2) {
        hooks_.message(QStringLiteral("已是第一頁, 無前頁 !"));
        PREPRINT_TEXT->setFocus();
        return;
    }
    go_to(state_.current_page - 1);
}

void PREPRINT::CMD_NEXTPAGE_Click() {
    if (state_.current_page >= total_pages_) {
        hooks_.message(QStringLiteral("已是最後一頁, 無次頁 !"));
        PREPRINT_TEXT->setFocus();
        return;
    }
    go_to(state_.current_page + 1);
}

void PREPRINT::CMD_LASTPAGE_Click() {
    if (state_.current_page != total_pages_) go_to(total_pages_);
}

bool PREPRINT::read_range() {
    try {
        const std::int32_t from =
            to_int32(round_half_even(leading_number(TXT_PRIBEGIN->text().toStdString())));
        const std::int32_t to =
            to_int32(round_half_even(leading_number(TXT_PRIEND->text().toStdString())));
        state_.print_from = from;
        state_.print_to = to;
        return true;
    } catch (const OverflowError&) {
        hooks_.message(QStringLiteral("選印區間的頁數須在 -2147483648 到 2147483647 之間 !"));
        return false;
    }
}

void PREPRINT::run_print(const print::DeviceFactory& device) {
    if (!has_report()) return;
    try {
        print::print_pages(state_, *report_, device);
    } catch (const print::PrintError& e) {
        hooks_.error(QString::fromUtf8(e.what()));
    }
}

void PREPRINT::CMD_PRINT_Click() {
    if (!read_range()) return;
    run_print(hooks_.printer);
}

void PREPRINT::CMD_PDF_Click() {
    if (!read_range()) return;
    if (!state_.range_has_pages(total_pages_)) {
        hooks_.message(QStringLiteral("選印區間內沒有頁面，不寫 PDF 檔。"));
        return;
    }
    QString path = hooks_.pdf_file_name();
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    run_print(print::pdf_device_factory(path));
}

void PREPRINT::CMD_EXCAPE_Click() {
    close();
}

}  // namespace zol
