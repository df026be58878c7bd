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
    const struct {
        const char* line;
        const char *a1, *a2, *a3, *joined;
    } cases[] = {{"a/b/c", "a", "b", "c", "a/b/c"},
                 {"a/b/c/d/e", "a", "b", "c", "a/b/c"},
                 {"a//", "a", "", "", "a//"},
                 {"menu", "menu", "", "", "menu//"},
                 {"x y/z", "x y", "z", "", "x y/z/"}};
    for (const auto& c : cases) {
        const auto args = parse_command_line(c.line);
        ASSERT_TRUE(args) << c.line;
        EXPECT_EQ(args->cmd_line, c.line);
        EXPECT_EQ(args->start_arg1 + "|" + args->start_arg2 + "|" + args->start_arg3,
                  std::string(c.a1) + "|" + c.a2 + "|" + c.a3);
        EXPECT_EQ(joined_args(*args), c.joined);
    }
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
    EXPECT_EQ(w.Ado_CBO().connection_string(), pkg.connection());
    EXPECT_EQ(w.Ado_print().connection_string(), pkg.connection());

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

TEST(QueryWindowStart, NumericFieldsTakeNoInputMethod) {
    TempPackage pkg;
    WindowUnderTest t(pkg.base());
    for (const char* name :
         {"CBO_TranDay", "CBO_TranDay2", "CBO_Grade", "CBO_ClsID", "CBO_SeatNo1", "CBO_SeatNo2"}) {
        auto* c = t.find<DropDownCombo>(name);
        EXPECT_FALSE(c->testAttribute(Qt::WA_InputMethodEnabled)) << name;
        EXPECT_FALSE(c->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled)) << name;
    }
    EXPECT_FALSE(t.find<QLineEdit>("Txt_StdNo1")->testAttribute(Qt::WA_InputMethodEnabled));
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

// The sample package as a real Jet file: the window's lists load from it as they do from
// the same package in the SQLite form.
TEST(QueryWindowStart, ListsLoadFromAJetPackage) {
    std::vector<QStringList> lists[2];
    for (const char* file : {"jet/zol-sample.mdb", "jet/zol-sample.sqlite"}) {
        const Package pkg{Package::Sql{""}};
        fs::copy_file(fixture(file), pkg.db(), fs::copy_options::overwrite_existing);
        WindowUnderTest t(pkg.base());
        ASSERT_TRUE(t.w().Form_Load()) << t.messages.join('\n').toStdString();
        t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(0);
        t.w().Timer1_Timer();
        t.find<DropDownCombo>("CBO_Grade")->setCurrentIndex(2);
        t.find<DropDownCombo>("CBO_ClsID")->showPopup();
        t.find<DropDownCombo>("CBO_ClsID")->hidePopup();
        auto& got = lists[std::string(file).ends_with("mdb") ? 0 : 1];
        got.push_back(items_of(t.find<DropDownCombo>("CBO_TranDay")));
        got.push_back(items_of(t.find<DropDownCombo>("CBO_ClsID")));
        for (const char* name : {"Lst_item", "Lst_status", "Lst_group"}) {
            QStringList texts;
            auto* list = t.find<QListWidget>(name);
            for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
            got.push_back(texts);
        }
        EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();
    }
    ASSERT_EQ(lists[0].size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_FALSE(lists[0][i].isEmpty()) << i;
        EXPECT_EQ(lists[0][i], lists[1][i]) << i;
    }
}

}  // namespace
}  // namespace zol::test
