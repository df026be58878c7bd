// Start-up of the query window: the state after Form_Load, the control model and its tab
// order, and a database that cannot be read.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>

#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window_args.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

TEST(QueryWindowArgs, SplitsThreeFieldsAndKeepsWhatAShortLineHas) {
    EXPECT_FALSE(parse_command_line("").has_value());
    const auto abc = parse_command_line("a/b/c");
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->cmd_line, "a/b/c");
    EXPECT_EQ(abc->start_arg1, "a");
    EXPECT_EQ(abc->start_arg2, "b");
    EXPECT_EQ(abc->start_arg3, "c");
    const auto more = parse_command_line("a/b/c/d/e");
    EXPECT_EQ(more->start_arg3, "c");
    const auto empties = parse_command_line("a//");
    EXPECT_EQ(empties->start_arg1, "a");
    EXPECT_EQ(empties->start_arg2, "");
    EXPECT_EQ(empties->start_arg3, "");
    const auto one = parse_command_line("menu");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->start_arg1, "menu");
    EXPECT_EQ(one->start_arg2, "");
    EXPECT_EQ(one->start_arg3, "");
    const auto two = parse_command_line("x y/z");
    EXPECT_EQ(two->start_arg1, "x y");
    EXPECT_EQ(two->start_arg2, "z");
    EXPECT_EQ(joined_args(*abc), "a/b/c");
    EXPECT_EQ(joined_args(*one), "menu//");
}

TEST(QueryWindowStart, FormLoadFillsTheListsAndSetsTheStartState) {
    TempPackage pkg;
    WindowUnderTest t(pkg.base());
    auto& w = t.w();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Quorvane"));
    EXPECT_EQ(t.find<DropDownCombo>("CBO_Grade")->currentText(), QStringLiteral("Combo2"));
    EXPECT_EQ(t.find<DropDownCombo>("CBO_paystas")->count(), 6);
    ASSERT_TRUE(w.Form_Load());
    EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();

    const std::string base = pkg.base().string();
    EXPECT_EQ(w.windowTitle().toStdString(), "Quorvane(" + base + ")");
    const std::string conn =
        "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database password = KTWOM;"
        "Data Source=" +
        base + "\\mdb\\ZOL.mdb;Persist Security Info=False";
    EXPECT_EQ(w.Ado_CBO().connection_string(), conn);
    EXPECT_EQ(w.Ado_print().connection_string(), conn);

    // Collection dates, newest first, in both combos; the values behind them.
    const QStringList dates{QStringLiteral("102/05/25"), QStringLiteral("095/03/15")};
    EXPECT_EQ(items_of(t.find<DropDownCombo>("CBO_TranDay")), dates);
    EXPECT_EQ(items_of(t.find<DropDownCombo>("CBO_TranDay2")), dates);
    EXPECT_EQ(t.find<DropDownCombo>("CBO_TranDay")->currentText(), QString());
    EXPECT_EQ(t.find<DropDownCombo>("CBO_TranDay")->currentIndex(), -1);
    EXPECT_EQ(w.tranday_values().size(), 501u);
    EXPECT_EQ(w.tranday_values()[0], "05/25/2013");
    EXPECT_EQ(w.tranday_values()[1], "03/15/2006");
    EXPECT_EQ(w.tranday_values()[2], "");

    auto* paystas = t.find<DropDownCombo>("CBO_paystas");
    EXPECT_EQ(items_of(paystas), (QStringList{u8("未繳"), u8("已繳")}));
    EXPECT_EQ(paystas->currentText(), QString());
    auto* grade = t.find<DropDownCombo>("CBO_Grade");
    EXPECT_EQ(grade->count(), 15);
    EXPECT_EQ(grade->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(grade->itemText(11), QStringLiteral("12"));
    EXPECT_EQ(grade->itemText(13), u8("幼中"));
    EXPECT_EQ(grade->currentText(), QString());
    auto* preway = t.find<DropDownCombo>("CBO_preway");
    EXPECT_EQ(items_of(preway), (QStringList{u8("轉帳"), u8("臨櫃")}));
    EXPECT_EQ(preway->currentText(), QString());
    for (const char* name :
         {"CBO_GrpID", "CBO_ClsID", "CBO_ClsID2", "CBO_SeatNo1", "CBO_SeatNo2"}) {
        EXPECT_EQ(t.find<DropDownCombo>(name)->count(), 0) << name;
        EXPECT_EQ(t.find<DropDownCombo>(name)->currentText(), QString()) << name;
    }

    // Identity statuses: all selected, the list disabled while "全部" is chosen.
    auto* status = t.find<QListWidget>("Lst_status");
    ASSERT_EQ(status->count(), 3);
    EXPECT_EQ(status->item(1)->text(), u8("低收入戶"));
    EXPECT_EQ(status->item(2)->text(), QString());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(status->item(i)->isSelected());
    EXPECT_FALSE(status->isEnabled());
    EXPECT_EQ(w.status_count(), 3);
    EXPECT_EQ(w.status_codes()[0], "1");
    EXPECT_EQ(w.status_codes()[2], "3");
    EXPECT_TRUE(t.find<QRadioButton>("Opt1")->isChecked());
    EXPECT_FALSE(t.find<QRadioButton>("Opt2")->isChecked());

    // Fee items of some class group: all selected, list disabled, "全部" chosen.
    auto* items = t.find<QListWidget>("Lst_item");
    ASSERT_EQ(items->count(), 2);
    EXPECT_EQ(items->item(0)->text(), u8("學費"));
    EXPECT_EQ(items->item(1)->text(), u8("雜費"));
    EXPECT_TRUE(items->item(0)->isSelected() && items->item(1)->isSelected());
    EXPECT_FALSE(items->isEnabled());
    EXPECT_EQ(w.item_ids()[0], "1");
    EXPECT_EQ(w.item_ids()[1], "2");
    EXPECT_TRUE(t.find<QRadioButton>("Opt_item1")->isChecked());
    EXPECT_EQ(w.Ado_CBO().record_source(),
              "select distinct ItemId,ItemName from ZOL4_ITEM  where itemid in(select distinct "
              "itemid from ZOL13_ClsGrpItem)");

    // The group list keeps its design-time entry until the first tick that sees a date.
    auto* groups = t.find<QListWidget>("Lst_group");
    ASSERT_EQ(groups->count(), 1);
    EXPECT_EQ(groups->item(0)->text(), QStringLiteral("Lst_group"));

    for (const char* name : {"Chk_1", "Chk_2", "Chk_3", "Chk_4"}) {
        EXPECT_TRUE(t.find<QCheckBox>(name)->isChecked()) << name;
    }
    EXPECT_FALSE(t.find<QCheckBox>("Chk_ALL")->isChecked());
    EXPECT_EQ(t.find<MaskedDateEdit>("Msk_payday1")->masked_text(), QStringLiteral("___/__/__"));
    EXPECT_EQ(t.find<MaskedDateEdit>("Msk_payday2")->masked_text(), QStringLiteral("___/__/__"));
    EXPECT_EQ(t.find<QLineEdit>("Txt_StdNo1")->maxLength(), 10);

    EXPECT_TRUE(w.Timer1()->isActive());
    EXPECT_EQ(w.Timer1()->interval(), 3000);
}

TEST(QueryWindowStart, ControlsSitAtTheirTwipPositionsWithTheirCaptionsAndFonts) {
    TempPackage pkg;
    WindowUnderTest t(pkg.base());
    auto& w = t.w();
    EXPECT_EQ(w.size(), QSize(792, 573));  // 11880 x 8595 twips
    auto* fra = t.find<QGroupBox>("fra_00");
    EXPECT_EQ(fra->geometry(), QRect(8, 8, 779, 561));
    EXPECT_EQ(fra->title(), u8("程式代號 ZOL5300"));
    EXPECT_EQ(t.find<QGroupBox>("Frame1")->geometry(), QRect(504, 24, 265, 193));
    EXPECT_EQ(t.find<QGroupBox>("Frame3")->parentWidget(), fra);
    auto* frame2 = t.find<QGroupBox>("Frame2");
    EXPECT_EQ(frame2->geometry(), QRect(8, 504, 761, 49));
    EXPECT_TRUE(frame2->title().isEmpty());

    auto* print = t.find<QPushButton>("Cmd_print");
    EXPECT_EQ(print->parentWidget(), frame2);
    EXPECT_EQ(print->geometry(), QRect(32, 16, 97, 25));
    EXPECT_EQ(print->text(), u8("列印 P"));
    EXPECT_EQ(print->font().family(), u8("細明體"));
    EXPECT_TRUE(print->font().bold());
    EXPECT_EQ(t.find<QPushButton>("Cmd_preprint")->text(), u8("預覽列印 Z"));
    EXPECT_EQ(t.find<QPushButton>("Cmd_clear")->text(), u8("清除 X"));
    EXPECT_EQ(t.find<QPushButton>("Cmd_exit")->geometry(), QRect(608, 16, 97, 25));

    EXPECT_EQ(t.find<DropDownCombo>("CBO_TranDay")->geometry(), QRect(160, 50, 121, 24));
    EXPECT_EQ(t.find<DropDownCombo>("CBO_TranDay")->font().family(), u8("新細明體"));
    EXPECT_EQ(t.find<QLineEdit>("Txt_StdNo2")->geometry(), QRect(312, 208, 105, 25));
    EXPECT_EQ(t.find<MaskedDateEdit>("Msk_payday2")->geometry(), QRect(320, 82, 115, 25));
    EXPECT_EQ(t.find<QCheckBox>("Chk_4")->text(), u8("全部(包含前三項)"));
    EXPECT_TRUE(t.find<QCheckBox>("Chk_ALL")->font().bold());
    EXPECT_EQ(t.find<QRadioButton>("Opt_group2")->parentWidget(), t.find<QGroupBox>("Frame1"));
    EXPECT_EQ(t.find<QRadioButton>("Opt_item2")->text(), u8("選擇部分項目"));
    EXPECT_EQ(t.find<QListWidget>("Lst_item")->geometry(), QRect(8, 64, 249, 184));

    EXPECT_EQ(t.find<QLabel>("Label4")->text(), u8(" 所  有  身  分  別"));
    EXPECT_EQ(t.find<QLabel>("lbl_08(5)")->text(), u8("實(扣)繳日期"));
    EXPECT_EQ(t.find<QLabel>("lbl_08(5)")->geometry(), QRect(48, 86, 109, 17));
    EXPECT_EQ(t.find<QLabel>("lbl_01")->text(), u8("繳費明細表列印"));

    // Numeric fields take no input-method composition.
    for (const char* name :
         {"CBO_TranDay", "CBO_TranDay2", "CBO_Grade", "CBO_ClsID", "CBO_SeatNo1", "CBO_SeatNo2"}) {
        auto* c = t.find<DropDownCombo>(name);
        EXPECT_FALSE(c->testAttribute(Qt::WA_InputMethodEnabled)) << name;
        EXPECT_FALSE(c->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled)) << name;
        EXPECT_TRUE(c->inputMethodHints() & Qt::ImhDigitsOnly) << name;
    }
    EXPECT_FALSE(t.find<QLineEdit>("Txt_StdNo1")->testAttribute(Qt::WA_InputMethodEnabled));
    // Fields where Chinese is expected keep it.
    EXPECT_TRUE(t.find<DropDownCombo>("CBO_preway")->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST(QueryWindowStart, TabVisitsTheControlsInTabIndexOrder) {
    TempPackage pkg;
    WindowUnderTest t(pkg.base());
    ASSERT_TRUE(t.w().Form_Load());
    t.show();
    t.find<DropDownCombo>("CBO_TranDay")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 30; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // Disabled lists are passed over; an option group is one stop, at its chosen option
    // or, while none is chosen, at its first.
    // The group combo under the item frame is passed over too.
    const QStringList expected = {
        "CBO_TranDay", "CBO_Grade",  "CBO_ClsID",    "CBO_SeatNo1", "CBO_SeatNo2",  "Txt_StdNo1",
        "Txt_StdNo2",  "Cmd_print",  "Cmd_preprint", "Cmd_exit",    "CBO_TranDay2", "Msk_payday1",
        "Msk_payday2", "CBO_ClsID2", "Chk_4",        "Chk_3",       "Chk_2",        "Chk_1",
        "CBO_paystas", "Opt1",       "Cmd_clear",    "Opt_group2",  "Lst_group",    "Opt_item1",
        "CBO_preway",  "Chk_ALL",    "CBO_TranDay",  "CBO_Grade"};
    EXPECT_EQ(visited.mid(0, expected.size()), expected);
}

TEST(QueryWindowStart, AnUnreadableDatabaseIsNamedAndTheStartFails) {
    const std::filesystem::path base = make_temp_dir("zol_ui_nodb_");
    {
        WindowUnderTest t(base);
        EXPECT_FALSE(t.w().Form_Load());
        ASSERT_EQ(t.messages.size(), 1);
        EXPECT_TRUE(t.messages[0].contains(QStringLiteral("ZOL.mdb")))
            << t.messages[0].toStdString();
    }
    std::filesystem::create_directories(base / "mdb");
    std::ofstream(base / "mdb" / "ZOL.mdb")
        << "this is not a database file at all, just some text\n";
    {
        WindowUnderTest t(base);
        EXPECT_FALSE(t.w().Form_Load());
        ASSERT_EQ(t.messages.size(), 1);
        EXPECT_TRUE(t.messages[0].contains(QStringLiteral("ZOL.mdb")))
            << t.messages[0].toStdString();
    }
    std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace zol::test
