#include "print/print_fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QString>

#include "print/print_error.h"
#include "print/sfnt_font.h"

namespace zol {

void install_font_substitutions() {
    QFont::insertSubstitution(QString::fromUtf8(kMingFont), QString::fromLatin1(kMingSubstitute));
    QFont::insertSubstitution(QString::fromUtf8(kNewMingFont),
                              QString::fromLatin1(kNewMingSubstitute));
}

}  // namespace zol

namespace zol::print {
namespace {

// CJK Radicals Supplement and Kangxi Radicals: the code points that share glyphs with the
// unified ideographs and sort before them.
const std::vector<CodeRange> kRadicalBlocks = {{0x2E80, 0x2EFF}, {0x2F00, 0x2FDF}};

bool maps_radicals(const QRawFont& raw) {
    for (const auto& [first, last] : kRadicalBlocks)
        for (std::uint32_t c = first; c <= last; ++c)
            if (raw.supportsCharacter(c)) return true;
    return false;
}

// Registers the copy of the face of `raw` under `family` unless the font database has it.
bool ensure_registered(const QRawFont& raw, const QString& family) {
    const QString style = raw.styleName();
    if (QFontDatabase::families().contains(family) && QFontDatabase::styles(family).contains(style))
        return true;
    const QByteArray data = rebuild_font([&raw](const char* tag) { return raw.fontTable(tag); },
                                         family, style, kRadicalBlocks);
    if (data.isEmpty()) return false;
    return QFontDatabase::addApplicationFontFromData(data) >= 0;
}

}  // namespace

QFont painted_font(const QString& name, double points, bool bold) {
    QFont font(name);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setKerning(false);
    // A font file that cannot be read (a failed open, read or mmap) leaves Qt drawing with
    // another installed font, or with empty boxes: a print that is not the report.
    const QRawFont raw = QRawFont::fromFont(font);
    const QString wanted = QFont::substitute(name);
    if (!raw.isValid() || (QFontDatabase::hasFamily(wanted) &&
                           raw.familyName().compare(wanted, Qt::CaseInsensitive))) {
        throw PrintError(
            QStringLiteral("無法讀取字型「%1」的字型檔，未能列印").arg(name).toStdString());
    }
    const QFont copy = printable_font(font);
    if (copy == font && maps_radicals(raw))
        throw PrintError(
            QStringLiteral("無法建立字型「%1」的列印用字型，未能列印").arg(name).toStdString());
    return copy;
}

QFont printable_font(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || !maps_radicals(raw)) return font;
    const QString family = QFontInfo(font).family() + QStringLiteral(" Print");
    if (!ensure_registered(raw, family)) return font;
    QFont copy(font);
    copy.setFamilies({family});
    return copy;
}

}  // namespace zol::print
