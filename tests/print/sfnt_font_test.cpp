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
    QByteArray sub;
    const int segs = 3;
    be16(sub, 4);
    be16(sub, 0);  // length (not checked)
    be16(sub, 0);
    be16(sub, segs * 2);
    be16(sub, 0);
    be16(sub, 0);
    be16(sub, 0);
    for (int e : {0x43, 0x62, 0xFFFF}) be16(sub, e);
    be16(sub, 0);
    for (int s : {0x41, 0x61, 0xFFFF}) be16(sub, s);
    for (int d : {3, 0, 1}) be16(sub, d);
    // idRangeOffset of segment 1: from its own slot to the glyph array right after the table.
    for (int o : {0, 4, 0}) be16(sub, o);
    be16(sub, 70);
    be16(sub, 71);
    QByteArray cmap;
    be16(cmap, 0);
    be16(cmap, 1);
    be16(cmap, 3);
    be16(cmap, 1);
    cmap.append(char(0));
    cmap.append(char(0));
    be16(cmap, 12);
    cmap.append(sub);
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
    EXPECT_FALSE(copy.supportsCharacter(0x2F00u));
    EXPECT_FALSE(copy.supportsCharacter(0x2EA0u));
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
    EXPECT_TRUE(bold.supportsCharacter(0x4E00u));
    EXPECT_FALSE(bold.supportsCharacter(0x2F00u));

    // A font without the radicals is left alone.
    QFont latin(QStringLiteral("DejaVu Sans"));
    if (!QRawFont::fromFont(latin).supportsCharacter(0x2F00u)) {
        EXPECT_EQ(printable_font(latin), latin);
    }
}

}  // namespace
}  // namespace zol::print
