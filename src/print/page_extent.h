// A device that prints nothing and measures how far the printed pages reach: the right edge
// of the widest line and the bottom of the lowest glyph or picture of any page, in twips from
// the top left of the printable area. Used to fit a job's pages onto a smaller printable area.
#pragma once

#include <QRawFont>
#include <QSizeF>

#include "print/print_device.h"

namespace zol::print {

class PageExtent : public PrintDevice {
  public:
    void begin(int, int) override {}
    void set_font_name(const QString& name) override;
    void set_font_size(double points) override;
    void set_bold(bool bold) override;
    double y() const override { return y_; }
    void set_y(double twips) override { y_ = twips; }
    void set_layout_value(double twips) override { next_x_ = twips; }
    void print_text(const QString& text) override;
    void new_page() override;
    void draw_picture(const QImage& picture, const QRectF& twips) override;
    void end() override {}

    // Width and height, in twips, that every page printed so far fits in.
    QSizeF size() const { return {right_, bottom_}; }

  private:
    const QRawFont& raw_font();

    QString font_name_;
    double font_points_ = 10;
    bool bold_ = false;
    QRawFont raw_;
    bool font_dirty_ = true;
    double y_ = 0;
    double next_x_ = 0;
    double right_ = 0;
    double bottom_ = 0;
};

// The one scale for every sheet of a job whose pages reach `extent` on a printable area of
// `area` (both twips): 1 when they fit, else the largest factor that makes them fit, rounded
// down to a thousandth so that rounding on the device cannot push a glyph over the edge.
double fit_scale(const QSizeF& extent, const QSizeF& area);

}  // namespace zol::print
