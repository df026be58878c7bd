// Rebuilding an OpenType font from its tables, with some code points taken out of its
// character map.
//
// Qt's PDF output writes the text layer of an embedded font by asking, for every glyph, which
// code point first maps to it. The CJK fonts map the Kangxi radicals (U+2F00...) and the CJK
// radicals supplement (U+2E80...) to the same glyphs as the ordinary ideographs, and those
// code points come first: "一" would be copied out of the PDF as U+2F00. A copy of the font
// without those mappings gives the real characters back.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace zol::print {

using CodeRange = std::pair<std::uint32_t, std::uint32_t>;  // first, last (inclusive)

// The Unicode -> glyph mapping of a "cmap" table (format 12 when present, else format 4).
// Empty when the table holds neither.
std::map<std::uint32_t, std::uint16_t> read_cmap(const QByteArray& cmap);

// A "cmap" table with one format 12 subtable (Unicode full repertoire) holding `map`.
QByteArray write_cmap(const std::map<std::uint32_t, std::uint16_t>& map);

// A "name" table naming the font family/style/PostScript name (Windows, US English).
QByteArray write_name_table(const QString& family, const QString& style,
                            const QString& postscript_name);

// The PostScript name (name ID 6) of a "name" table, or empty text.
QString read_postscript_name(const QByteArray& name_table);

// An OpenType file made of the given tables (tag -> data), with a correct directory and
// checksums.
QByteArray write_sfnt(const std::map<QByteArray, QByteArray>& tables);

// The tables of a font, fetched by tag through `table` (returns empty data when the font has
// no such table), rebuilt as a standalone file: the cmap without the code points in `drop`,
// the name table renamed to `family`. Empty when the font has no usable cmap.
QByteArray rebuild_font(const std::function<QByteArray(const char* tag)>& table,
                        const QString& family, const QString& style,
                        const std::vector<CodeRange>& drop);

}  // namespace zol::print
