// Field events with real key events: Enter moving on, the key filters, the seat-number
// limit, the masked pay dates, the option rules and the window's Alt shortcuts.
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

class Events : public LoadedWindow<> {
  protected:
    // Puts the focus on a field and presses Enter there; returns the field that has the
    // focus once the queued keystroke has been handled.
    QString enter_in(QWidget* field) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
        return focused();
    }
};

// (Enter from the dates through the student numbers to 列印 P is pressed with real keys.)
TEST_F(Events, EnterMovesOnWhereListedAndNotInTheToClass) {
    const std::pair<const char*, const char*> moves[] = {{"CBO_TranDay2", "Msk_payday1"},
                                                         {"Msk_payday2", "CBO_ClsID2"},
                                                         {"CBO_ClsID2", "CBO_ClsID2"},
                                                         {"CBO_paystas", "CBO_paystas"}};
    for (const auto& [from, to] : moves)
        EXPECT_EQ(enter_in(t.find<QWidget>(from)), QString::fromLatin1(to)) << from;
}

// Presses a key for each character, with the character as the key's text, as a keyboard
// or an input method delivers it.
void type_text(QWidget* w, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        const auto key = static_cast<Qt::Key>(c >= 0x20 && c < 0x7F ? one.toUpper().at(0).unicode()
                                                                    : int{Qt::Key_unknown});
        QTest::sendKeyEvent(QTest::Press, w, key, one, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, key, one, Qt::NoModifier);
    }
}

TEST_F(Events, KeyFiltersPassOnlyWhatEachFieldTakes) {
    const struct {
        const char* field;
        const char* keys;
        const char* text;
    } cases[] = {
        {"CBO_Grade", "0", ""},
        {"CBO_Grade", "a7", "7"},
        {"CBO_Grade", "78", "7"},
        {"CBO_Grade", "-5'#", "5"},
        {"CBO_ClsID", "1x23", "12"},
        {"CBO_ClsID2", "1x23", "1x23"},  // the to-class has no filter at all
        {"CBO_SeatNo1", "2549", "254"},
        {"CBO_SeatNo2", "a-1 2", "12"},
        {"Txt_StdNo1", "A12'x-3456789", "A12'x-3456"},
        {"Txt_StdNo2", "註冊\xF0\x9F\x98\x80", "註冊\xF0\x9F\x98\x80"},
        {"Msk_payday2", "10", "10_/__/__"},
        {"Msk_payday2", "1020525", "102/05/25"},
        {"Msk_payday1", "abc#-", "___/__/__"},
        {"CBO_TranDay", "1/", ""},
        {"CBO_TranDay2", "095/03/15", ""},
        {"CBO_Grade", "\xF0\x9F\x98\x80註", ""},
        {"CBO_GrpID", "註", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.keys);
        t.find<QPushButton>("Cmd_clear")->click();
        t.find<MaskedDateEdit>("Msk_payday1")->set_masked_text(QString());
        t.find<MaskedDateEdit>("Msk_payday2")->set_masked_text(QString());
        QWidget* w = t.find<QWidget>(c.field);
        w->setFocus();
        if (auto* m = qobject_cast<MaskedDateEdit*>(w)) m->setCursorPosition(0);
        type_text(w, u8(c.keys));
        EXPECT_EQ(text_of(t, c.field), u8(c.text));
    }
    // A full grade box refuses a digit even while its text is selected.
    combo("CBO_Grade")->setFocus();
    QTest::keyClicks(combo("CBO_Grade"), "7");
    combo("CBO_Grade")->lineEdit()->selectAll();
    QTest::keyClicks(combo("CBO_Grade"), "5");
    EXPECT_EQ(combo("CBO_Grade")->currentText(), QStringLiteral("7"));
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST_F(Events, SeatNumberOf255OrMoreIsCutToTwoCharactersWithAMessage) {
    auto* seat = combo("CBO_SeatNo2");
    seat->setFocus();
    QTest::keyClicks(seat, "255");
    EXPECT_EQ(seat->currentText(), QStringLiteral("25"));
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_EQ(t.messages[0], u8("座號必須小於255"));
    // Pasted as well.
    combo("CBO_SeatNo1")->setEditText(QString(10000, QLatin1Char('9')));
    EXPECT_EQ(combo("CBO_SeatNo1")->currentText(), QStringLiteral("99"));
    EXPECT_EQ(t.messages.size(), 2);
}

// A pick-only combo shortened by hand has no list entry behind it; an input method's text
// is refused there as its key events are.
TEST_F(Events, PickOnlyCombosTakeBackspaceButNoComposedText) {
    auto* date = combo("CBO_TranDay");
    date->setFocus();
    date->setCurrentIndex(1);
    QTest::keyClick(date, Qt::Key_End);
    QTest::keyClick(date, Qt::Key_Backspace);
    EXPECT_EQ(date->currentText(), QStringLiteral("095/03/1"));
    EXPECT_EQ(date->list_index(), -1);
    auto* group = combo("CBO_GrpID");
    group->setFocus();
    QInputMethodEvent composed;
    composed.setCommitString(u8("註冊"));
    QApplication::sendEvent(group, &composed);
    EXPECT_EQ(group->currentText(), QString());
}

// Switching an option pair back keeps the list's selection; the chosen option clicked again
// stays chosen. (Enabling the lists is pressed with real arrow keys.)
TEST_F(Events, OptionRulesKeepSelections) {
    auto* groups = t.find<QListWidget>("Lst_group");
    combo("CBO_TranDay")->setCurrentIndex(1);
    t.w().Timer1_Timer();
    ASSERT_GE(groups->count(), 2);
    QTest::mouseClick(t.find<QRadioButton>("Opt_group2"), Qt::LeftButton);
    groups->item(1)->setSelected(true);
    QTest::mouseClick(t.find<QRadioButton>("Opt_group1"), Qt::LeftButton);
    EXPECT_TRUE(groups->item(1)->isSelected());
    QTest::mouseClick(t.find<QRadioButton>("Opt_group1"), Qt::LeftButton);
    EXPECT_TRUE(t.find<QRadioButton>("Opt_group1")->isChecked());
    QTest::mouseClick(t.find<QRadioButton>("Opt_item2"), Qt::LeftButton);
    EXPECT_TRUE(t.find<QListWidget>("Lst_item")->item(0)->isSelected());
}

TEST_F(Events, AltShortcutsNeedExactlyAlt) {
    auto* no = t.find<QLineEdit>("Txt_StdNo1");
    no->setFocus();
    QTest::keyClicks(no, "abc");
    QTest::keyClick(no, Qt::Key_X, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(no, Qt::Key_X, Qt::AltModifier | Qt::ControlModifier);
    QCoreApplication::processEvents();
    // Not cleared (the keys themselves still reach the field, which may type them).
    EXPECT_TRUE(no->text().startsWith(QStringLiteral("abc")));
    QTest::keyClick(no, Qt::Key_X, Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(no->text(), QString());  // cleared

    // P alone types; Alt+Shift+P does nothing; Alt+P runs a print, whose check speaks.
    QTest::keyClick(no, Qt::Key_P);
    EXPECT_EQ(no->text(), QStringLiteral("p"));
    QTest::keyClick(no, Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(t.messages.isEmpty());
    QTest::keyClick(no, Qt::Key_P, Qt::AltModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_EQ(t.messages[0], u8("收 款 日 期 必 須 輸 入"));
    EXPECT_FALSE(t.w().preview_mode());
    QTest::keyClick(no, Qt::Key_Z, Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(t.messages.size(), 2);
    EXPECT_TRUE(t.w().preview_mode());
    EXPECT_EQ(QApplication::focusWidget(), combo("CBO_TranDay"));
    EXPECT_TRUE(t.find<QPushButton>("Cmd_print")->isEnabled());
}

}  // namespace
}  // namespace zol::test
