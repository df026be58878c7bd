#include "print/painter_device.h"

#include <QPageSize>

#include "print/print_error.h"
#include "print/print_fonts.h"

namespace zol::print {

PainterDevice::~PainterDevice() {
    if (painter_.isActive()) painter_.end();
}

void PainterDevice::close_unfinished() {
    if (ended_ || !painter_.isActive()) return;
    ended_ = true;
    abandon();
    painter_.end();
}

QPageLayout PainterDevice::layout_for(int paper_code, int orientation) {
    QPageSize::PageSizeId id = QPageSize::A4;
    if (paper_code == kPaperA5) id = QPageSize::A5;
    if (paper_code == kPaperB5) id = QPageSize::JisB5;  // 182 x 257 mm
    return QPageLayout(QPageSize(id),
                       orientation == kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

void PainterDevice::begin(int paper_code, int orientation) {
    sheet_ = prepare(layout_for(paper_code, orientation));
}

std::optional<QSizeF> PainterDevice::printable_area() const {
    if (!sheet_) return std::nullopt;
    return sheet_->printable.size() * 20.0;
}

void PainterDevice::set_font_name(const QString& name) {
    font_name_ = name;
    font_dirty_ = true;
}

void PainterDevice::set_font_size(double points) {
    font_points_ = points;
    font_dirty_ = true;
}

void PainterDevice::set_bold(bool bold) {
    bold_ = bold;
    font_dirty_ = true;
}

void PainterDevice::start_output() {
    if (!began_) {
        if (!sheet_) sheet_ = prepare(layout_for(kPaperA4, kPortrait));
        QPagedPaintDevice& device = open_device(*sheet_);
        if (!painter_.begin(&device)) throw PrintError("印表機無法開始列印工作。");
        began_ = true;
        sheets_ = 1;
        dpi_ = device.logicalDpiY();
        font_dirty_ = true;
        // Everything is placed from the printable area's corner, at the job's one scale.
        const double per_point = dpi_ / 72.0;
        painter_.translate(sheet_->printable.x() * per_point, sheet_->printable.y() * per_point);
        painter_.scale(scale_, scale_);
    }
    for (; pending_breaks_ > 0; --pending_breaks_) {
        auto* device = static_cast<QPagedPaintDevice*>(painter_.device());
        if (!device->newPage()) throw PrintError("印表機無法換頁。");
        ++sheets_;
    }
    if (font_dirty_) apply_font();
}

void PainterDevice::apply_font() {
    painter_.setFont(painted_font(font_name_, font_points_, bold_));
    painter_.setPen(Qt::black);
    font_dirty_ = false;
}

void PainterDevice::print_text(const QString& text) {
    start_output();
    const double line = font_points_ * 20.0;
    // The print position is the top of the text: the baseline lies the font's ascent below.
    const double baseline = painter_.fontMetrics().ascent() * 1440.0 / dpi_;
    for_each_print_line(text, [&](const QString& piece) {
        if (!piece.isEmpty()) painter_.drawText(QPointF(px(next_x_), px(y_ + baseline)), piece);
        next_x_ = 0;
        y_ += line;
    });
}

void PainterDevice::new_page() {
    ++pending_breaks_;
    y_ = 0;
    next_x_ = 0;
}

void PainterDevice::draw_picture(const QImage& picture, const QRectF& twips) {
    start_output();
    painter_.drawImage(QRectF(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height())),
                       picture);
}

void PainterDevice::end() {
    ended_ = true;
    if (!began_) return;  // nothing was printed: no job at all
    if (!painter_.end()) {
        throw PrintError("列印工作無法完成。");
    }
    job_done();
}

}  // namespace zol::print
