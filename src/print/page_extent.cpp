#include "print/page_extent.h"

#include <algorithm>
#include <cmath>

#include "print/print_fonts.h"

namespace zol::print {

void PageExtent::set_font_name(const QString& name) {
    font_name_ = name;
    font_dirty_ = true;
}

void PageExtent::set_font_size(double points) {
    font_points_ = points;
    font_dirty_ = true;
}

void PageExtent::set_bold(bool bold) {
    bold_ = bold;
    font_dirty_ = true;
}

const QRawFont& PageExtent::raw_font() {
    if (font_dirty_) {
        raw_ = QRawFont::fromFont(painted_font(font_name_, font_points_, bold_));
        // One pixel per twip: the metrics come out in twips.
        raw_.setPixelSize(font_points_ * 20.0);
        font_dirty_ = false;
    }
    return raw_;
}

void PageExtent::print_text(const QString& text) {
    // Mirrors PainterDevice::print_text: each line end moves down one line height.
    const double line = font_points_ * 20.0;
    for_each_print_line(text, [&](QString piece) {
        while (!piece.isEmpty() && piece.back().isSpace()) piece.chop(1);
        if (!piece.isEmpty()) {
            const QRawFont& raw = raw_font();
            double width = 0;
            for (const QPointF& a : raw.advancesForGlyphIndexes(raw.glyphIndexesForString(piece)))
                width += a.x();
            right_ = std::max(right_, next_x_ + width);
            bottom_ = std::max(bottom_, y_ + raw.ascent() + raw.descent());
        }
        next_x_ = 0;
        y_ += line;
    });
}

void PageExtent::new_page() {
    y_ = 0;
    next_x_ = 0;
}

void PageExtent::draw_picture(const QImage&, const QRectF& twips) {
    right_ = std::max(right_, twips.right());
    bottom_ = std::max(bottom_, twips.bottom());
}

double fit_scale(const QSizeF& extent, const QSizeF& area) {
    double scale = 1;
    if (extent.width() > area.width()) scale = std::min(scale, area.width() / extent.width());
    if (extent.height() > area.height()) scale = std::min(scale, area.height() / extent.height());
    return scale < 1 ? std::floor(scale * 1000) / 1000 : 1;
}

}  // namespace zol::print
