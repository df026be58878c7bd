// Fitting a window laid out in design units to the screen it opens on: its whole layout,
// fonts and places alike, is scaled down as one when the designed size does not fit the
// desktop's work area, never below a readable size.
#pragma once

#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QScreen;
class QWidget;

namespace zol {

// The smallest point size a scaled layout may give its smallest font.
inline constexpr double kReadablePoints = 8.0;

// The scale at which `design` fits into `room`: 1 when it fits, else the largest that
// fits, but never below `lowest`.
double fit_scale(QSize design, QSize room, double lowest);

// The work area of `screen` less a window frame of `frame`.
QSize room_on(const QScreen* screen, QMargins frame);

// The places and fonts of a window and all its widgets as built, laid out again at a scale.
class DesignLayout {
  public:
    // Takes the layout of `window` as it is now as the designed one.
    explicit DesignLayout(QWidget* window);

    QSize size() const { return size_; }
    double smallest_points() const { return smallest_points_; }
    // Every widget at its designed place and font times `scale`; the window a fixed size.
    void apply(double scale) const;

  private:
    struct Item {
        QPointer<QWidget> widget;
        QRect geometry;
        QFont font;
        bool own_font;
    };
    QPointer<QWidget> window_;
    QSize size_;
    QFont window_font_;
    double smallest_points_ = 0;
    std::vector<Item> items_;
};

// Moves a top-level window, frame included, inside the work area of its screen.
void keep_inside_work_area(QWidget* window);

}  // namespace zol
