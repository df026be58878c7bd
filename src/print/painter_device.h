// The printer operations carried out with a QPainter on a paged device (QPrinter or
// QPdfWriter). Subclasses only make the device and report how the job ended.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include "print/print_device.h"

namespace zol::print {

class PainterDevice : public PrintDevice {
  public:
    ~PainterDevice() override;

    void begin(int paper_code, int orientation) override;
    std::optional<QSizeF> printable_area() const override;
    void set_scale(double factor) override { scale_ = factor; }
    void set_font_name(const QString& name) override;
    void set_font_size(double points) override;
    void set_bold(bool bold) override;
    double y() const override { return y_; }
    void set_y(double twips) override { y_ = twips; }
    void set_layout_value(double twips) override { next_x_ = twips; }
    void print_text(const QString& text) override;
    void new_page() override;
    void draw_picture(const QImage& picture, const QRectF& twips) override;
    void end() override;

    // Sheets begun so far (0 until the first output).
    int sheets() const { return sheets_; }

    // The page layout of a paper code and orientation, with no margins.
    static QPageLayout layout_for(int paper_code, int orientation);

  protected:
    // How the device lays out a sheet: its page layout and its printable area, in points in
    // the painter's coordinates on the device.
    struct Sheet {
        QPageLayout layout;
        QRectF printable;
    };
    // Sets the sheet up for `wanted` (paper and orientation, no margins) without opening a
    // job. Throws PrintError when the device cannot take it.
    virtual Sheet prepare(const QPageLayout& wanted) = 0;
    // Makes the device for the prepared sheet (called at the first output). Throws
    // PrintError.
    virtual QPagedPaintDevice& open_device(const Sheet& sheet) = 0;
    // After the painter ended the job normally. Throws PrintError when the job failed.
    virtual void job_done() {}
    // The run stopped before end(): drop what was made. Called while the painter is still
    // active.
    virtual void abandon() {}
    // For the destructors of subclasses: a job that was opened but not ended is abandoned
    // while the subclass still exists.
    void close_unfinished();

  private:
    void start_output();
    void apply_font();
    double px(double twips) const { return twips * dpi_ / 1440.0; }

    QPainter painter_;
    std::optional<Sheet> sheet_;
    double scale_ = 1;
    QString font_name_;
    double font_points_ = 10;
    bool bold_ = false;
    double y_ = 0;
    double next_x_ = 0;
    double dpi_ = 1200;
    int pending_breaks_ = 0;
    int sheets_ = 0;
    bool began_ = false;
    bool ended_ = false;
    bool font_dirty_ = true;
};

}  // namespace zol::print
