// Text that stays readable on whatever palette the desktop hands the program (light, dark,
// high contrast): every text colour of the palette is moved, no further than it must, to
// a contrast of at least 4.5 : 1 against the background it is drawn on.
#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>

class QApplication;

namespace zol {

// The contrast ratio of two colours, 1 to 21 (relative luminance, sRGB).
double contrast_ratio(const QColor& a, const QColor& b);

inline constexpr double kReadableContrast = 4.5;

// `palette` with each text role (Text, WindowText, ButtonText, HighlightedText, ToolTipText,
// PlaceholderText) of every colour group blended towards black or white until it reaches
// kReadableContrast against its background role. Colours that already do are kept.
QPalette readable_palette(QPalette palette);

// Keeps the application's palette readable from now on, also when the desktop changes it
// while the program runs, for as long as the object lives.
class ReadablePalette : public QObject {
    Q_OBJECT
  public:
    explicit ReadablePalette(QApplication& app);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void apply();
};

}  // namespace zol
