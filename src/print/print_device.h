// The printer operations that printing uses, on whatever device takes the pages.
// Positions are twips (1/1440 inch) from the top left corner of the printable area.
#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace zol::print {

// Paper size codes of the printer interface.
inline constexpr int kPaperA4 = 9;
inline constexpr int kPaperA5 = 11;
inline constexpr int kPaperB5 = 13;
// Orientation codes.
inline constexpr int kPortrait = 1;
inline constexpr int kLandscape = 2;

// How every report is handed to the preview and the printer: A4, from page 1, landscape.
inline constexpr const char* kReportPaper = "A4";
inline constexpr int kReportFirstPage = 1;
inline constexpr int kReportOrientation = kLandscape;

class PrintDevice {
  public:
    virtual ~PrintDevice() = default;

    // Paper and orientation of the job. The job itself opens with the first output, so a
    // run that prints nothing sends nothing. Throws PrintError when there is no device, or
    // when it cannot take that paper in that orientation.
    virtual void begin(int paper_code, int orientation) = 0;
    // The printable area in twips once begin() has set the sheet up; empty for a device
    // without sheets of a fixed size.
    virtual std::optional<QSizeF> printable_area() const { return std::nullopt; }
    // Scales all that is printed from here on (positions, text, pictures) by `factor`,
    // about the top left corner of the printable area.
    virtual void set_scale(double factor) { (void)factor; }
    virtual void set_font_name(const QString& name) = 0;
    virtual void set_font_size(double points) = 0;
    virtual void set_bold(bool bold) = 0;
    virtual double y() const = 0;
    virtual void set_y(double twips) = 0;
    // The layout value of the ESC 4 2 line: the horizontal position of the next text
    // printed (the position goes back to the left edge after that text).
    virtual void set_layout_value(double twips) = 0;
    // Prints text at the current position. Each line end in it (CR LF, CR or LF) moves the
    // position down by one line height of the current font, and so does the end of the
    // operation itself; a line height is the font size (1 pt = 20 twips).
    virtual void print_text(const QString& text) = 0;
    // Ends the sheet. The next sheet starts with the next output; a break with nothing after
    // it makes no sheet.
    virtual void new_page() = 0;
    virtual void draw_picture(const QImage& picture, const QRectF& twips) = 0;
    // Ends the job and hands it over. Throws PrintError when that fails.
    virtual void end() = 0;
};

using DeviceFactory = std::function<std::unique_ptr<PrintDevice>()>;

// Calls `line` with each piece of `text` between line ends (CR LF, CR or LF) and with the
// piece after the last one, in order: the pieces print_text puts on successive lines.
template <typename F>
void for_each_print_line(const QString& text, F&& line) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        line(text.mid(from, i - from));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
        from = i + 1;
    }
    line(text.mid(from));
}

}  // namespace zol::print
