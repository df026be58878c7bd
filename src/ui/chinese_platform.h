// Qt's own texts in Traditional Chinese whatever the locale: message box buttons (確定, 是,
// 否), the file dialog; and Traditional Chinese glyph forms in every window and dialog, also
// where the locale would make the font fallback pick Japanese forms (LANG=C).
#pragma once

#include "print/print_fonts.h"

class QApplication;

namespace zol {

// The font every window and dialog without a font of its own is drawn in.
inline constexpr const char* kChineseUiFamily = kNewMingSubstitute;

// Loads Qt's Traditional Chinese translation into `app` (false when it is not installed;
// the program then goes on with Qt's English texts) and makes the application font
// Traditional Chinese.
bool use_traditional_chinese(QApplication& app);

}  // namespace zol
