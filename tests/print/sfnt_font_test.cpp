// The rebuilt print copy of a CJK font: character map without the radical blocks, same glyphs.
#include "print/sfnt_font.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QRawFont>

#include "print/print_fonts.h"

namespace zol::print {
namespace {

TEST(SfntFont, CmapRoundTripKeepsEveryMapping) {
    std::map<std::uint32_t, std::uint16_t> map = {
        {0x20, 1}, {0x21, 2}, {0x22, 3}, {0x41, 40}, {0x4E00, 900}, {0x4E01, 901}, {0x20000, 5}};
    EXPECT_EQ(read_cmap(write_cmap(map)), map);
}

TEST(SfntFont, ReadsFormat4WithDeltasAndGlyphArrays) {
    // Two segments: 0x41..0x43 by delta (+3), 0x61..0x62 through the glyph array, and the end
    // segment 0xFFFF.
    auto be16 = [](QByteArray& d, int v) {
        d.append(char((v >> 8) & 0xff));
        d.append(char(v & 0xff));
    };
    // Format, length (not checked), language, 2 x segments, three search fields; the ends, a
    // pad, the starts, the deltas; idRangeOffset of segment 1: from its own slot to the glyph
    // array right after the table; the glyph array.
    QByteArray cmap;
    for (int v : {0,    1,      3, 1,    0,    12,     4, 0, 0, 6, 0, 0, 0,  0x43,
                  0x62, 0xFFFF, 0, 0x41, 0x61, 0xFFFF, 3, 0, 1, 0, 4, 0, 70, 71})
        be16(cmap, v);  // the cmap header with one subtable at offset 12, then the subtable
    const std::map<std::uint32_t, std::uint16_t> want = {
        {0x41, 0x44}, {0x42, 0x45}, {0x43, 0x46}, {0x61, 70}, {0x62, 71}};
    EXPECT_EQ(read_cmap(cmap), want);
}

TEST(SfntFont, PrintCopyOfTheCjkFontDropsOnlyTheRadicals) {
    install_font_substitutions();
    QFont requested(QStringLiteral("細明體"));
    const QRawFont original = QRawFont::fromFont(requested);
    ASSERT_TRUE(original.isValid());
    ASSERT_TRUE(original.supportsCharacter(0x2F00u));  // the font maps the Kangxi radicals

    const QByteArray data = rebuild_font([&](const char* tag) { return original.fontTable(tag); },
                                         QStringLiteral("Copy Test"), original.styleName(),
                                         {{0x2E80, 0x2EFF}, {0x2F00, 0x2FDF}});
    ASSERT_FALSE(data.isEmpty());
    const QRawFont copy(data, 20);
    ASSERT_TRUE(copy.isValid());
    EXPECT_FALSE(copy.supportsCharacter(0x2F00u) || copy.supportsCharacter(0x2EA0u));
    const QString text = QStringLiteral("一頁 郵政轉帳\\臨櫃明細表 abc 123");
    EXPECT_EQ(copy.glyphIndexesForString(text), original.glyphIndexesForString(text));
    EXPECT_EQ(copy.familyName(), QStringLiteral("Copy Test"));

    // printable_font hands out the registered copy, bold too.
    const QFont printable = printable_font(requested);
    EXPECT_EQ(printable.families().value(0), QStringLiteral("Noto Sans Mono CJK TC Print"));
    EXPECT_FALSE(QRawFont::fromFont(printable).supportsCharacter(0x2F00u));
    requested.setBold(true);
    const QRawFont bold = QRawFont::fromFont(printable_font(requested));
    EXPECT_EQ(bold.styleName(), QStringLiteral("Bold"));
    EXPECT_TRUE(bold.supportsCharacter(0x4E00u) && !bold.supportsCharacter(0x2F00u));

    // A font without the radicals is left alone.
    QFont latin(QStringLiteral("DejaVu Sans"));
    if (!QRawFont::fromFont(latin).supportsCharacter(0x2F00u)) {
        EXPECT_EQ(printable_font(latin), latin);
    }
}

}  // namespace
}  // namespace zol::print
