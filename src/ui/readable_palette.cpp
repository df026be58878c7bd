#include "ui/readable_palette.h"

#include <QApplication>
#include <QEvent>
#include <cmath>

namespace zol {

namespace {

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double t) {
    const QColor a = from.toRgb(), b = to.toRgb();
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// `text` as little changed as gives the contrast on `background`: towards whichever of
// black and white stands further from the background, which always gets there.
QColor readable_on(const QColor& text, const QColor& background) {
    if (contrast_ratio(text, background) >= kReadableContrast) return text;
    const QColor extreme =
        contrast_ratio(Qt::black, background) >= contrast_ratio(Qt::white, background)
            ? QColor(Qt::black)
            : QColor(Qt::white);
    for (int step = 1; step < 20; ++step) {
        const QColor c = mixed(text, extreme, step / 20.0);
        if (contrast_ratio(c, background) >= kReadableContrast) return c;
    }
    return extreme;
}

}  // namespace

double contrast_ratio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette readable_palette(QPalette palette) {
    const struct {
        QPalette::ColorRole text, background;
    } pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase},
        {QPalette::PlaceholderText, QPalette::Base},
    };
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (const auto& p : pairs) {
            const QColor text = palette.color(group, p.text);
            const QColor fixed = readable_on(text, palette.color(group, p.background));
            if (fixed != text) palette.setColor(group, p.text, fixed);
        }
    }
    return palette;
}

ReadablePalette::ReadablePalette(QApplication& app) {
    app.installEventFilter(this);
    apply();
}

bool ReadablePalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() &&
        event->type() == QEvent::ApplicationPaletteChange)
        apply();
    return QObject::eventFilter(watched, event);
}

void ReadablePalette::apply() {
    const QPalette now = QApplication::palette();
    const QPalette fixed = readable_palette(now);
    // A palette already readable is left alone, which also ends the change this sets off.
    if (fixed != now) QApplication::setPalette(fixed);
}

}  // namespace zol
