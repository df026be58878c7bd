// The web preview's font, built into the program: office browsers have no font whose CJK
// glyphs are exactly two ASCII columns wide, and the report's columns line up only in one.
#pragma once

#include <string_view>

namespace zol::web {

// The CSS family name of the font and where the server serves it. A name of its own, so that
// a browser never takes an installed font of the source's name, with other glyph widths.
inline constexpr std::string_view kWebFontFamily = "ZOL Report Mono";
inline constexpr std::string_view kWebFontPath = "/static/report-mono.woff2";

// The WOFF2 bytes: Noto Sans Mono CJK TC cut to printable ASCII and every character a Big5
// byte pair decodes to, each of those two ASCII advances wide (made by src/web/web_font.py).
std::string_view web_font();

}  // namespace zol::web
