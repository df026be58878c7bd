#include "ui/page_zoom.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zol {

namespace {

// One key press or wheel notch zooms by a tenth.
constexpr double kZoomStep = 1.1;
// Below 4 points a Chinese character is a blot on any screen; above 28 a report line of
// 160 columns no longer fits even a wide screen by half.
constexpr double kSmallest = 4.0;
constexpr double kLargest = 28.0;
// The fitted size is sought downwards in steps this fine; finer changes nothing visible.
constexpr double kFitStep = 0.1;
// Sizes closer than this are one size: setting it again would only relayout the text.
constexpr double kSameSize = 0.001;

QFont at_points(QFont f, double points) {
    f.setPointSizeF(points);
    return f;
}

}  // namespace

PageZoom::PageZoom(QPlainTextEdit* text) : QObject(text), text_(text), base_(text->font()) {
    connect(text_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { measure(position, added); });
    text_->installEventFilter(this);
    text_->viewport()->installEventFilter(this);
}

void PageZoom::new_report() {
    widest_.clear();
    widest_width_ = 0;
}

double PageZoom::points() const {
    return text_->font().pointSizeF();
}

void PageZoom::measure(int position, int added) {
    const QFontMetricsF m(base_);
    bool wider = false;
    const QTextDocument* doc = text_->document();
    for (QTextBlock b = doc->findBlock(position); b.isValid() && b.position() <= position + added;
         b = b.next()) {
        const double w = m.horizontalAdvance(b.text());
        if (w > widest_width_) {
            widest_width_ = w;
            widest_ = b.text();
            wider = true;
        }
    }
    if (wider && fitting()) apply();
}

double PageZoom::fitted_points() const {
    // What the text area can show without scrolling sideways: the viewport less the
    // document's margins and the cursor.
    const double room = text_->viewport()->width() - 2 * text_->document()->documentMargin() -
                        text_->cursorWidth() - 1;
    const double largest = base_.pointSizeF();
    if (widest_width_ <= room || room <= 0) return largest;
    // Fixed-pitch text grows with the font nearly in proportion; glyph rounding is measured.
    double p = std::max(kSmallest, largest * room / widest_width_);
    while (p > kSmallest && QFontMetricsF(at_points(base_, p)).horizontalAdvance(widest_) > room)
        p -= kFitStep;
    return std::max(p, kSmallest);
}

void PageZoom::apply() {
    const double p = chosen_ ? *chosen_ : fitted_points();
    if (std::abs(p - points()) > kSameSize) text_->setFont(at_points(base_, p));
}

void PageZoom::zoom_by(double factor) {
    chosen_ = std::clamp(points() * factor, kSmallest, kLargest);
    apply();
}

void PageZoom::zoom_in() {
    zoom_by(kZoomStep);
}
void PageZoom::zoom_out() {
    zoom_by(1 / kZoomStep);
}
void PageZoom::fit_width() {
    chosen_.reset();
    apply();
}

bool PageZoom::zoom_key(const QKeyEvent* key) {
    const auto mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::ControlModifier) return false;
    switch (key->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            zoom_in();
            return true;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            zoom_out();
            return true;
        case Qt::Key_0:
        case Qt::Key_ParenRight:
            fit_width();
            return true;
        default:
            return false;
    }
}

bool PageZoom::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::Resize) {
        if (fitting()) apply();
    } else if (watched == text_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y() / 120;
            if (steps != 0) zoom_by(std::pow(kZoomStep, steps));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zol
