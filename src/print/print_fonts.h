// The package's font names on this platform, and fonts whose PDF text copies out right.
#pragma once

#include <QFont>

namespace zol {

// The package's two fonts, and the installed fonts that stand for them: 細明體 is fixed pitch
// (a Chinese character two ASCII columns wide), 新細明體 proportional.
inline constexpr const char* kMingFont = "細明體";
inline constexpr const char* kNewMingFont = "新細明體";
inline constexpr const char* kMingSubstitute = "Noto Sans Mono CJK TC";
inline constexpr const char* kNewMingSubstitute = "Noto Sans CJK TC";

// Maps both names to their substitutes. Called once at program start, before any window or
// printing.
void install_font_substitutions();

}  // namespace zol

namespace zol::print {

// The font to draw `font` with on a PDF-producing device (PDF file, CUPS printer). For a CJK
// font it is a registered copy of the same face (family "<family> Print") whose character map
// leaves out the radical blocks, so that the text copied out of the PDF holds the ideographs
// themselves ("一", not the Kangxi radical U+2F00). Other fonts are returned unchanged, and so
// is `font` when the copy cannot be made.
QFont printable_font(const QFont& font);

// The font a line of the report is painted with: the named font at `points`, bold or not,
// without kerning, as printable_font gives it. The page measure uses the very same font, so
// that fit-to-page is computed on the width that is printed. Throws PrintError when the
// installed font cannot be loaded (its file unreadable) or its printable copy not be made.
QFont painted_font(const QString& name, double points, bool bold);

}  // namespace zol::print
