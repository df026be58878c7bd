#include "ui/preview_find.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextBlock>

#include "core/big5.h"
#include "print/print_fonts.h"
#include "report/report_file.h"

namespace zol {

namespace {

// UTF-16 length of the first `n` bytes of a UTF-8 text: a column of the page text.
int columns(const std::string& utf8, std::size_t n) {
    return static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(n)).size());
}

}  // namespace

PreviewFind::PreviewFind(QWidget* band, int left, QPlainTextEdit* text, Host host)
    : QWidget(band), text_(text), host_(std::move(host)), left_(left) {
    setObjectName("PreviewFind");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("尋找"), this);
    field_ = new QLineEdit(this);
    field_->setObjectName("TXT_FIND");
    // Names are typed with the input method.
    field_->setAttribute(Qt::WA_InputMethodEnabled, true);
    field_->setInputMethodHints(Qt::ImhNone);
    field_->setMinimumWidth(180);
    status_ = new QLabel(this);
    status_->setObjectName("LBL_FIND");
    QFont band_font(QString::fromUtf8(kNewMingFont));
    band_font.setPointSizeF(12);
    for (QWidget* w : {static_cast<QWidget*>(caption), static_cast<QWidget*>(field_),
                       static_cast<QWidget*>(status_)}) {
        w->setFont(band_font);
        row->addWidget(w);
    }
    row->addStretch(1);
    field_->setAccessibleName(QStringLiteral("尋找"));
    field_->setToolTip(
        QStringLiteral("Enter 或 F3 找下一個，Shift+Enter 或 Shift+F3 找上一個，Esc 關閉尋找"));
    // Where the field opens, the keys of the preview stand while it is closed.
    keys_ = new QLabel(QStringLiteral("Ctrl+F 尋找　Ctrl+加號／減號 縮放\n"
                                      "PageUp／PageDown 翻頁　Esc 離開"),
                       band);
    keys_->setToolTip(
        QStringLiteral("Ctrl+F 尋找（Enter 或 F3 找下一個，Shift+Enter 或 Shift+F3 找上一個）\n"
                       "Ctrl+加號、Ctrl+減號、Ctrl+滾輪 放大縮小，Ctrl+0 符合寬度\n"
                       "在頁尾按 PageDown 到下一頁，在頁首按 PageUp 到上一頁\n"
                       "Ctrl+Home 第一頁，Ctrl+End 最後一頁，Esc 關閉預覽"));
    keys_->setObjectName("LBL_KEYS");
    QFont keys_font(QString::fromUtf8(kNewMingFont));
    keys_font.setPointSizeF(9);
    keys_->setFont(keys_font);
    field_->installEventFilter(this);
    band->installEventFilter(this);
    hide();

    // The page text is loaded anew: the next search starts at the top of its page.
    connect(text_->document(), &QTextDocument::contentsChanged, this, [this] { at_top_ = true; });
    text_->viewport()->installEventFilter(this);

    QWidget* window = text_->window();
    const auto key = [&](QKeySequence keys, auto action) {
        auto* s = new QShortcut(keys, window);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, action);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { open(); });
    key(QKeySequence(Qt::Key_F3), [this] { find(FindDirection::next); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { find(FindDirection::previous); });
}

PreviewFind::~PreviewFind() = default;

bool PreviewFind::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        // The band takes the rest of the top band's width.
        const QWidget* band = parentWidget();
        setGeometry(left_, 6, std::max(200, band->width() - left_ - 6), band->height() - 12);
        keys_->setGeometry(geometry());
    } else if (watched == text_->viewport() && event->type() == QEvent::MouseButtonPress) {
        at_top_ = false;
    } else if (watched == field_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            find(key->modifiers() & Qt::ShiftModifier ? FindDirection::previous
                                                      : FindDirection::next);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close_band();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PreviewFind::open() {
    keys_->hide();
    show();
    raise();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void PreviewFind::close_band() {
    worker_.request_stop();
    ++search_;
    searching_ = false;
    status_->clear();
    hide();
    keys_->show();
    text_->setFocus();
}

FindPlace PreviewFind::start(FindDirection direction) const {
    const std::int64_t page = host_.current_page();
    const QTextCursor cursor = text_->textCursor();
    if (at_top_) return {page, 0, 0};
    const int pos = cursor.hasSelection() ? cursor.selectionStart() : cursor.position();
    const QTextBlock block = text_->document()->findBlock(pos);
    std::size_t byte = to_big5(block.text().left(pos - block.position()).toStdString()).size();
    // Past the selected match, so that the next one is another.
    if (direction == FindDirection::next && cursor.hasSelection()) ++byte;
    return {page, block.blockNumber() + 1, byte};
}

void PreviewFind::find(FindDirection direction) {
    if (isHidden() || field_->text().isEmpty()) {
        open();
        return;
    }
    const std::shared_ptr<const HeldReport> report = host_.report();
    if (!report) {
        status_->setText(QStringLiteral("沒有可搜尋的報表"));
        return;
    }
    if (!finder_ || finder_->report() != report) finder_ = std::make_shared<ReportFinder>(report);
    needle_ = field_->text();
    const std::uint64_t search = ++search_;
    searching_ = true;
    status_->setText(QStringLiteral("搜尋中…"));
    // A search still running is stopped and joined first: one finder, one thread.
    worker_ = std::jthread([this, search, direction, finder = finder_,
                            pattern = FindPattern(needle_.toStdString()),
                            from = start(direction)](std::stop_token stop) {
        FindResult result;
        QString error;
        try {
            result = finder->find(pattern, from, direction, stop);
        } catch (const ReportError& e) {
            error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this, [=, this] { found(search, result, error, direction); }, Qt::QueuedConnection);
    });
}

void PreviewFind::found(std::uint64_t search, const FindResult& result, const QString& error,
                        FindDirection direction) {
    if (search != search_ || result.cancelled) return;
    searching_ = false;
    if (!error.isEmpty()) {
        status_->setText(error);
        return;
    }
    if (!result.hit) {
        status_->setText(QStringLiteral("找不到「%1」").arg(needle_));
        return;
    }
    const FindHit& hit = *result.hit;
    const bool typing = field_->hasFocus();
    if (hit.place.page != host_.current_page()) host_.turn_to(hit.place.page);
    const QTextBlock block =
        text_->document()->findBlockByNumber(static_cast<int>(hit.place.line - 1));
    if (block.isValid()) {
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + columns(hit.line, hit.begin));
        cursor.setPosition(block.position() + columns(hit.line, hit.end), QTextCursor::KeepAnchor);
        text_->setTextCursor(cursor);
        text_->centerCursor();
        text_->ensureCursorVisible();
    }
    at_top_ = false;
    if (typing) field_->setFocus();
    if (result.wrapped) {
        status_->setText(direction == FindDirection::next ? QStringLiteral("已從第一頁重新搜尋")
                                                          : QStringLiteral("已從最後一頁重新搜尋"));
    } else {
        status_->setText(
            QStringLiteral("第 %1 頁第 %2 行").arg(hit.place.page).arg(hit.place.line));
    }
}

}  // namespace zol
