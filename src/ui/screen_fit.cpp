#include "ui/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace zol {

double fit_scale(QSize design, QSize room, double lowest) {
    if (design.isEmpty()) return 1.0;
    const double s = std::min({1.0, static_cast<double>(room.width()) / design.width(),
                               static_cast<double>(room.height()) / design.height()});
    return std::max(s, std::min(lowest, 1.0));
}

QSize room_on(const QScreen* screen, QMargins frame) {
    if (!screen) return {};
    return screen->availableGeometry().size().shrunkBy(frame);
}

DesignLayout::DesignLayout(QWidget* window)
    : window_(window), size_(window->size()), window_font_(window->font()) {
    smallest_points_ = window_font_.pointSizeF();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        // The designed controls are the named ones; a control's own parts (a combo's edit
        // line, scroll bars) and popups follow their control.
        if (w->isWindow() || w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        const bool own = w->testAttribute(Qt::WA_SetFont);
        items_.push_back({w, w->geometry(), w->font(), own});
        if (own && w->font().pointSizeF() > 0)
            smallest_points_ = std::min(smallest_points_, w->font().pointSizeF());
    }
}

namespace {

int times(int v, double scale) {
    return static_cast<int>(std::lround(v * scale));
}

QFont scaled(QFont f, double scale) {
    if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * scale);
    return f;
}

}  // namespace

void DesignLayout::apply(double scale) const {
    if (!window_) return;
    window_->setFont(scaled(window_font_, scale));
    for (const Item& i : items_) {
        if (!i.widget) continue;
        // Edges are scaled, not sizes, so that neighbours that touched still touch.
        const QRect& g = i.geometry;
        const int left = times(g.left(), scale), top = times(g.top(), scale);
        i.widget->setGeometry(left, top, times(g.left() + g.width(), scale) - left,
                              times(g.top() + g.height(), scale) - top);
        if (i.own_font) i.widget->setFont(scaled(i.font, scale));
    }
    window_->setFixedSize(times(size_.width(), scale), times(size_.height(), scale));
}

void keep_inside_work_area(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    const int x =
        std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
    const int y =
        std::clamp(frame.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
    // A window's position is that of its frame.
    if (x != frame.x() || y != frame.y()) window->move(x, y);
}

}  // namespace zol
