// Field events with real key events: Enter moving on, the key filters, the seat-number
// limit, the masked pay dates, the option rules and the window's Alt shortcuts.
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

class Events : public ::testing::Test {
  protected:
    TempPackage pkg;
    WindowUnderTest t{pkg.base()};
    void SetUp() override {
        ASSERT_TRUE(t.w().Form_Load());
        t.show();
    }
    DropDownCombo* combo(const char* name) { return t.find<DropDownCombo>(name); }
    // Puts the focus on a field and presses Enter there; returns the field that has the
    // focus once the queued keystroke has been handled.
    QString enter_in(QWidget* field) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QCoreApplication::processEvents();
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
};

TEST_F(Events, EnterMovesOnWhereListedAndNotInTheToClass) {
    EXPECT_EQ(enter_in(t.find<QLineEdit>("Txt_StdNo1")), QStringLiteral("Txt_StdNo2"));
    EXPECT_EQ(enter_in(t.find<QLineEdit>("Txt_StdNo2")), QStringLiteral("Cmd_print"));
    EXPECT_EQ(enter_in(combo("CBO_Grade")), QStringLiteral("CBO_ClsID"));
    EXPECT_EQ(enter_in(combo("CBO_SeatNo2")), QStringLiteral("Txt_StdNo1"));
    EXPECT_EQ(enter_in(combo("CBO_TranDay2")), QStringLiteral("Msk_payday1"));
    EXPECT_EQ(enter_in(t.find<MaskedDateEdit>("Msk_payday2")), QStringLiteral("CBO_ClsID2"));
    EXPECT_EQ(enter_in(combo("CBO_ClsID2")), QStringLiteral("CBO_ClsID2"));
    EXPECT_EQ(enter_in(combo("CBO_paystas")), QStringLiteral("CBO_paystas"));
}

TEST_F(Events, GradeTakesOneDigitFromOneToNine) {
    auto* grade = combo("CBO_Grade");
    grade->setFocus();
    QTest::keyClicks(grade, "0");
    EXPECT_EQ(grade->currentText(), QString());
    QTest::keyClicks(grade, "a7");
    EXPECT_EQ(grade->currentText(), QStringLiteral("7"));
    QTest::keyClicks(grade, "8");
    EXPECT_EQ(grade->currentText(), QStringLiteral("7"));
    // A full box refuses a digit even while its text is selected.
    grade->lineEdit()->selectAll();
    QTest::keyClicks(grade, "5");
    EXPECT_EQ(grade->currentText(), QStringLiteral("7"));
    QTest::keyClick(grade, Qt::Key_Backspace);
    EXPECT_EQ(grade->currentText(), QString());
}

TEST_F(Events, ClassAndSeatTakeDigitsUpToTheirLength) {
    auto* cls = combo("CBO_ClsID");
    cls->setFocus();
    QTest::keyClicks(cls, "1x23");
    EXPECT_EQ(cls->currentText(), QStringLiteral("12"));
    // The to-class has no filter at all.
    auto* cls2 = combo("CBO_ClsID2");
    cls2->setFocus();
    QTest::keyClicks(cls2, "1x23");
    EXPECT_EQ(cls2->currentText(), QStringLiteral("1x23"));

    auto* seat = combo("CBO_SeatNo1");
    seat->setFocus();
    QTest::keyClicks(seat, "2549");
    EXPECT_EQ(seat->currentText(), QStringLiteral("254"));
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST_F(Events, SeatNumberOf255OrMoreIsCutToTwoCharactersWithAMessage) {
    auto* seat = combo("CBO_SeatNo2");
    seat->setFocus();
    QTest::keyClicks(seat, "255");
    EXPECT_EQ(seat->currentText(), QStringLiteral("25"));
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_EQ(t.messages[0], u8("座號必須小於255"));
    combo("CBO_SeatNo1")->setEditText("999");
    EXPECT_EQ(combo("CBO_SeatNo1")->currentText(), QStringLiteral("99"));
    EXPECT_EQ(t.messages.size(), 2);
}

TEST_F(Events, PickOnlyCombosRefuseTypingButTakeBackspace) {
    auto* date = combo("CBO_TranDay");
    date->setFocus();
    QTest::keyClicks(date, "1/");
    EXPECT_EQ(date->currentText(), QString());
    date->setCurrentIndex(1);
    QTest::keyClick(date, Qt::Key_End);
    QTest::keyClicks(date, "9");
    EXPECT_EQ(date->currentText(), QStringLiteral("095/03/15"));
    EXPECT_EQ(date->list_index(), 1);
    QTest::keyClick(date, Qt::Key_Backspace);
    EXPECT_EQ(date->currentText(), QStringLiteral("095/03/1"));
    EXPECT_EQ(date->list_index(), -1);  // shortened by hand: no entry behind it
    // A Chinese character is refused as well; the same key event types into a free field.
    auto* group = combo("CBO_GrpID");
    group->setFocus();
    QKeyEvent chinese(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u8("註"));
    QApplication::sendEvent(group, &chinese);
    EXPECT_EQ(group->currentText(), QString());
    QInputMethodEvent composed;
    composed.setCommitString(u8("註冊"));
    QApplication::sendEvent(group, &composed);
    EXPECT_EQ(group->currentText(), QString());
    auto* no = t.find<QLineEdit>("Txt_StdNo1");
    no->setFocus();
    QKeyEvent again(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u8("註"));
    QApplication::sendEvent(no, &again);
    EXPECT_EQ(no->text(), u8("註"));
}

TEST_F(Events, StudentNumbersTakeAnyTextUpToTenCharacters) {
    auto* no = t.find<QLineEdit>("Txt_StdNo1");
    no->setFocus();
    QTest::keyClicks(no, "A12'x-3456789");
    EXPECT_EQ(no->text(), QStringLiteral("A12'x-3456"));
}

TEST_F(Events, MaskedPayDateFillsThePromptsFromTheLeft) {
    auto* box = t.find<MaskedDateEdit>("Msk_payday2");
    box->setFocus();
    box->setCursorPosition(0);
    QTest::keyClicks(box, "10");
    EXPECT_EQ(box->masked_text(), QStringLiteral("10_/__/__"));
    QTest::keyClicks(box, "20525");
    EXPECT_EQ(box->masked_text(), QStringLiteral("102/05/25"));
    box->set_masked_text(QString());
    EXPECT_EQ(box->masked_text(), QStringLiteral("___/__/__"));
}

TEST_F(Events, OptionRulesEnableTheirListsAndKeepSelections) {
    auto* groups = t.find<QListWidget>("Lst_group");
    combo("CBO_TranDay")->setCurrentIndex(1);
    t.w().Timer1_Timer();
    ASSERT_GE(groups->count(), 2);
    EXPECT_FALSE(groups->isEnabled());
    QTest::mouseClick(t.find<QRadioButton>("Opt_group2"), Qt::LeftButton);
    EXPECT_TRUE(groups->isEnabled());
    EXPECT_FALSE(t.find<QRadioButton>("Opt_group1")->isChecked());
    groups->item(1)->setSelected(true);
    QTest::mouseClick(t.find<QRadioButton>("Opt_group1"), Qt::LeftButton);
    EXPECT_FALSE(groups->isEnabled());
    EXPECT_FALSE(t.find<QRadioButton>("Opt_group2")->isChecked());
    EXPECT_TRUE(groups->item(1)->isSelected());
    // Clicking the chosen option again keeps it chosen.
    QTest::mouseClick(t.find<QRadioButton>("Opt_group1"), Qt::LeftButton);
    EXPECT_TRUE(t.find<QRadioButton>("Opt_group1")->isChecked());

    auto* items = t.find<QListWidget>("Lst_item");
    QTest::mouseClick(t.find<QRadioButton>("Opt_item2"), Qt::LeftButton);
    EXPECT_TRUE(items->isEnabled());
    EXPECT_TRUE(items->item(0)->isSelected());
    QTest::mouseClick(t.find<QRadioButton>("Opt_item1"), Qt::LeftButton);
    EXPECT_FALSE(items->isEnabled());

    auto* status = t.find<QListWidget>("Lst_status");
    QTest::mouseClick(t.find<QRadioButton>("Opt2"), Qt::LeftButton);
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(t.find<QRadioButton>("Opt1")->isChecked());
    QTest::mouseClick(t.find<QRadioButton>("Opt1"), Qt::LeftButton);
    EXPECT_FALSE(status->isEnabled());
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
