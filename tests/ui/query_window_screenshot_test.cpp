// Renders the query window on a sample package, as the README shows it, and checks that
// the Chinese captions are drawn with a CJK font rather than as missing-glyph boxes.
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>

#include "query_window_fixture.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

TEST(QueryWindowScreenshot, RendersWithCjkFontsAndIsSavedForTheReadme) {
    SamplePackage pkg(120, 7);
    WindowUnderTest t(pkg.base(), StartArgs{"demo/user/1", "demo", "user", "1"});
    ASSERT_TRUE(t.w().Form_Load());
    t.show();
    auto* from = t.find<DropDownCombo>("CBO_TranDay");
    ASSERT_GT(from->count(), 0);
    from->setCurrentIndex(0);
    t.w().Timer1_Timer();  // the tick that loads the groups of the chosen date

    // The substituted families are the Noto CJK faces.
    EXPECT_EQ(QFontInfo(t.find<QLabel>("lbl_01")->font()).family(),
              QStringLiteral("Noto Sans Mono CJK TC"));
    EXPECT_EQ(QFontInfo(from->font()).family(), QStringLiteral("Noto Sans CJK TC"));
    QFontMetrics fm(t.find<QLabel>("lbl_01")->font());
    EXPECT_TRUE(fm.inFont(QChar(0x7E73)));  // 繳

    const QPixmap shot = t.w().grab();
    EXPECT_EQ(shot.size(), QSize(792, 573));
    const QString path = QStringLiteral(ZOL_BINARY_DIR "/query-window.png");
    EXPECT_TRUE(shot.save(path));
    // The caption label holds dark text pixels.
    const QImage label = t.find<QLabel>("lbl_01")->grab().toImage();
    int dark = 0;
    for (int y = 0; y < label.height(); ++y) {
        for (int x = 0; x < label.width(); ++x) dark += qGray(label.pixel(x, y)) < 100;
    }
    EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace zol::test
