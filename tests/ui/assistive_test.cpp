// Both windows as a screen reader, a mouse pointer resting on a button, and a dark desktop
// meet them: the names and roles of every control through Qt's accessibility interface, the
// tooltips and shown keys, and the contrast of every text under a light and a dark palette.
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cstdlib>
#include <map>

#include "print/print_state.h"
#include "query_window_fixture.h"
#include "ui/preview_find.h"
#include "ui/preview_window.h"
#include "ui/readable_palette.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

// The query window after a preview run, and the preview it opened.
class BothWindows : public ::testing::Test {
  public:
    TempPackage pkg;
    print::PrintState state;
    PreviewHost preview{state, pkg.base().string()};
    WindowUnderTest t{pkg.base(), {"a/b/c", "a", "b", "c"}, hooks()};

    QueryWindowHooks hooks() {
        QueryWindowHooks h;
        h.show_preview = [this](const std::string& file, int pages) {
            preview.show_preview(file, pages, "A4", 1, print::kLandscape);
        };
        return h;
    }
    void SetUp() override {
        ASSERT_TRUE(t.w().Form_Load());
        t.show();
        t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(1);
        t.find<QPushButton>("Cmd_preprint")->click();
        ASSERT_TRUE(t.messages.isEmpty()) << t.messages.join(' ').toStdString();
        ASSERT_NE(preview.window(), nullptr);
    }
    PREPRINT& p() { return *preview.window(); }
};

QAccessibleInterface* accessible(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

// The controls a user can meet: everything but frames, lines and the items' viewports.
bool is_control(QWidget* w) {
    QAccessibleInterface* a = accessible(w);
    return w->isVisibleTo(w->window()) && a &&
           !QList<QAccessible::Role>{QAccessible::Grouping,  QAccessible::Border,
                                     QAccessible::Separator, QAccessible::Client,
                                     QAccessible::ScrollBar, QAccessible::Pane}
                .contains(a->role()) &&
           !w->objectName().startsWith(QLatin1String("qt_"));
}

TEST_F(BothWindows, EveryControlHasItsNameAndRole) {
    const struct {
        const char* control;
        QAccessible::Role role;
        const char* name;
    } query[] = {
        {"CBO_TranDay", QAccessible::ComboBox, "收款日期"},
        {"CBO_TranDay2", QAccessible::ComboBox, "收款日期 至"},
        {"Msk_payday1", QAccessible::EditableText, "實(扣)繳日期"},
        {"Msk_payday2", QAccessible::EditableText, "實(扣)繳日期 至"},
        {"CBO_Grade", QAccessible::ComboBox, "年級別"},
        {"CBO_ClsID", QAccessible::ComboBox, "班別"},
        {"CBO_ClsID2", QAccessible::ComboBox, "班別 至"},
        {"CBO_SeatNo1", QAccessible::ComboBox, "座號"},
        {"CBO_SeatNo2", QAccessible::ComboBox, "座號 至"},
        {"Txt_StdNo1", QAccessible::EditableText, "學號"},
        {"Txt_StdNo2", QAccessible::EditableText, "學號 至"},
        {"CBO_paystas", QAccessible::ComboBox, "繳費狀況"},
        {"CBO_preway", QAccessible::ComboBox, "預繳方式"},
        {"CBO_GrpID", QAccessible::ComboBox, "繳費群組"},
        {"Lst_status", QAccessible::List, "所有身分別"},
        {"Lst_group", QAccessible::List, "繳費群組"},
        {"Lst_item", QAccessible::List, "繳費項目"},
        {"Opt1", QAccessible::RadioButton, "身分別 全部"},
        {"Opt2", QAccessible::RadioButton, "選擇部分身分"},
        {"Opt_group1", QAccessible::RadioButton, "繳費群組 全部"},
        {"Opt_group2", QAccessible::RadioButton, "選擇部分群組"},
        {"Opt_item1", QAccessible::RadioButton, "繳費項目 全部"},
        {"Opt_item2", QAccessible::RadioButton, "選擇部分項目"},
        {"Chk_1", QAccessible::CheckBox, "轉帳"},
        {"Chk_ALL", QAccessible::CheckBox, "班級合併列印"},
        {"Cmd_exit", QAccessible::Button, "離開 E"},
    };
    for (const auto& c : query) {
        SCOPED_TRACE(c.control);
        QWidget* w = t.find<QWidget>(c.control);
        ASSERT_NE(accessible(w), nullptr);
        EXPECT_EQ(accessible(w)->role(), c.role);
        EXPECT_EQ(accessible(w)->text(QAccessible::Name), u8(c.name));
        // An editable combo's edit line takes the focus in its place.
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(accessible(combo->lineEdit())->text(QAccessible::Name), u8(c.name));
        }
    }
    EXPECT_TRUE(accessible(t.find<QWidget>("Opt1"))->state().checked);
    EXPECT_FALSE(accessible(t.find<QWidget>("Opt2"))->state().checked);
    p().txt_pribegin()->setText(QStringLiteral("2"));
    const struct {
        QWidget* control;
        const char* name;
    } preview_names[] = {
        {p().txt_pribegin(), "選印區間"},  {p().txt_priend(), "選印區間 至"},
        {p().lbl_totpage(), "總頁數 2"},   {p().lab_nowspage(), "目前頁數 1"},
        {p().preprint_text(), "報表頁面"}, {p().find_band()->field(), "尋找"},
    };
    for (const auto& c : preview_names)
        EXPECT_EQ(accessible(c.control)->text(QAccessible::Name), u8(c.name));

    // Every control of both windows has a name of its own, never the frame's caption.
    for (QWidget* window : {static_cast<QWidget*>(&t.w()), static_cast<QWidget*>(&p())}) {
        int controls = 0;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!is_control(w)) continue;
            ++controls;
            const QString name = accessible(w)->text(QAccessible::Name).trimmed();
            EXPECT_FALSE(name.isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString();
            EXPECT_NE(name, u8("程式代號 ZOL5300")) << w->objectName().toStdString();
        }
        EXPECT_GT(controls, 15);
    }
}

TEST_F(BothWindows, ButtonsTellTheirKeysAndThePreviewShowsItsOwn) {
    const std::map<QString, const char*> tips = {
        {"Cmd_print", "Alt+P"},       {"Cmd_preprint", "Alt+Z"},      {"Cmd_clear", "Alt+X"},
        {"Cmd_exit", "Alt+E"},        {"CMD_FIRSTPAGE", "Ctrl+Home"}, {"CMD_PREPAGE", "PageUp"},
        {"CMD_NEXTPAGE", "PageDown"}, {"CMD_LASTPAGE", "Ctrl+End"},   {"CMD_EXCAPE", "Esc"},
        {"TXT_PRIBEGIN", "第一頁"},   {"TXT_PRIEND", "最後一頁"},     {"TXT_FIND", "F3"},
    };
    for (QWidget* window : {static_cast<QWidget*>(&t.w()), static_cast<QWidget*>(&p())}) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (const auto it = tips.find(w->objectName()); it != tips.end()) {
                EXPECT_TRUE(w->toolTip().contains(u8(it->second))) << w->toolTip().toStdString();
            } else if (qobject_cast<QPushButton*>(w)) {
                EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            }
        }
    }
    QLabel* keys = p().find_band()->keys();
    for (const char* key : {"Ctrl+F", "Ctrl+加號", "PageUp", "PageDown", "Esc"})
        EXPECT_TRUE(keys->text().contains(u8(key))) << key;
    EXPECT_TRUE(keys->isVisible());
    p().find_band()->open();
    EXPECT_FALSE(keys->isVisible());
    p().find_band()->close_band();
    EXPECT_TRUE(keys->isVisible());
}

// The colour that stands out most from the background of an area of the picture (its pixel
// of median brightness: a text or an arrow covers less than half of its box).
double contrast_in(const QImage& image, const QRect& area) {
    std::vector<QColor> pixels;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) pixels.emplace_back(image.pixel(x, y));
    if (pixels.empty()) return 0;
    const auto middle = pixels.begin() + static_cast<std::ptrdiff_t>(pixels.size() / 2);
    std::nth_element(pixels.begin(), middle, pixels.end(), [](const QColor& a, const QColor& b) {
        return a.lightnessF() < b.lightnessF();
    });
    const QColor background = *middle;
    double best = 1;
    for (const QColor& c : pixels) best = std::max(best, contrast_ratio(c, background));
    return best;
}

// An arrow is no text: graphics read at 3 : 1.
const QString kArrow = QStringLiteral(" arrow");
constexpr double kGraphicsContrast = 3.0;

// The areas of a window that show a text, an arrow or a list entry, in window coordinates.
std::vector<std::pair<QString, QRect>> text_areas(QWidget& window) {
    std::vector<std::pair<QString, QRect>> areas;
    const auto at = [&](QWidget* w, QRect r) {
        return QRect(w->mapTo(&window, r.topLeft()), r.size());
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // Seen, and not hidden behind another control (the group combo behind its frame).
        if (!w->isVisible() || w->visibleRegion().isEmpty()) continue;
        const QString name = w->objectName();
        if (auto* list = qobject_cast<QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i)
                if (QRect r = list->visualItemRect(list->item(i));
                    list->viewport()->rect().contains(r) && !list->item(i)->text().isEmpty())
                    areas.emplace_back(name + " " + list->item(i)->text(), at(list->viewport(), r));
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            QStyleOptionComboBox o;
            o.initFrom(combo);
            o.editable = true;
            areas.emplace_back(name + kArrow, at(combo, combo->style()->subControlRect(
                                                            QStyle::CC_ComboBox, &o,
                                                            QStyle::SC_ComboBoxArrow, combo)));
        } else if (auto* label = qobject_cast<QLabel*>(w);
                   label && !label->text().trimmed().isEmpty()) {
            areas.emplace_back(name, at(w, w->visibleRegion().boundingRect()));
        } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) {
            if (!w->property("text").toString().trimmed().isEmpty())
                areas.emplace_back(name, at(w, w->rect().adjusted(3, 3, -3, -3)));
        }
    }
    return areas;
}

QPalette dark_palette() {
    QPalette p(QColor(53, 53, 53), QColor(35, 35, 35));  // button, window
    const struct {
        QPalette::ColorRole role;
        QColor colour;
    } roles[] = {{QPalette::Window, {53, 53, 53}},
                 {QPalette::WindowText, {238, 238, 236}},
                 {QPalette::Base, {42, 42, 42}},
                 {QPalette::AlternateBase, {66, 66, 66}},
                 {QPalette::Text, {238, 238, 236}},
                 {QPalette::Button, {53, 53, 53}},
                 {QPalette::ButtonText, {238, 238, 236}},
                 {QPalette::Highlight, {42, 130, 218}},
                 {QPalette::HighlightedText, {255, 255, 255}},
                 {QPalette::ToolTipBase, {53, 53, 53}},
                 {QPalette::ToolTipText, {238, 238, 236}}};
    for (const auto& r : roles) p.setColor(r.role, r.colour);
    // The greys many dark themes give disabled text: too faint to read on their own.
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(90, 90, 90));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(90, 90, 90));
    return p;
}

// Every text of both windows, light and dark, reads at 4.5 : 1 at least against its
// background. ZOL_TEST_RENDER_DIR keeps the pictures (the preview's top band among them).
TEST_F(BothWindows, EveryTextReadsOnALightAndADarkPalette) {
    const QPalette light = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const ReadablePalette readable(*qApp);
    const char* keep = std::getenv("ZOL_TEST_RENDER_DIR");
    for (const auto& [scheme, palette] :
         {std::pair{"light", light}, std::pair{"dark", dark_palette()}}) {
        SCOPED_TRACE(scheme);
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();
        for (QWidget* window : {static_cast<QWidget*>(&t.w()), static_cast<QWidget*>(&p())}) {
            const QImage image = window->grab().toImage();
            const QString shown =
                window == &p() ? QStringLiteral("preview") : QStringLiteral("query");
            if (keep) {
                image.save(QStringLiteral("%1/%2-%3.png").arg(keep, shown, scheme));
                image.copy(0, 0, image.width(), p().find_band()->parentWidget()->height())
                    .save(QStringLiteral("%1/%2-top-band-%3.png").arg(keep, shown, scheme));
            }
            const auto areas = text_areas(*window);
            EXPECT_GT(areas.size(), 15u);
            for (const auto& [what, rect] : areas) {
                EXPECT_GE(contrast_in(image, rect & image.rect()),
                          what.endsWith(kArrow) ? kGraphicsContrast : kReadableContrast)
                    << what.toStdString();
            }
        }
    }
    QApplication::setPalette(light);
}

}  // namespace
}  // namespace zol::test
