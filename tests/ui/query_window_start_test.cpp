// Start-up of the query window: the state after Form_Load, the control model and its tab
// order, and a database that cannot be read.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
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
    ASSERT_TRUE(w.Form_Load());
    EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();
    EXPECT_EQ(w.windowTitle().toStdString(), "Quorvane(" + pkg.base().string() + ")");

    // Every combo's entries (collection dates newest first), none chosen.
    const QStringList dates{QStringLiteral("102/05/25"), QStringLiteral("095/03/15")};
    const std::pair<const char*, QStringList> combos[] = {
        {"CBO_TranDay", dates},
        {"CBO_TranDay2", dates},
        {"CBO_paystas", {u8("未繳"), u8("已繳")}},
        {"CBO_preway", {u8("轉帳"), u8("臨櫃")}},
        {"CBO_Grade",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", u8("幼小"), u8("幼中"),
          u8("幼大")}},
        {"CBO_GrpID", {}},
        {"CBO_ClsID", {}},
        {"CBO_ClsID2", {}},
        {"CBO_SeatNo1", {}},
        {"CBO_SeatNo2", {}}};
    for (const auto& [name, items] : combos) {
        EXPECT_EQ(items_of(t.find<DropDownCombo>(name)), items) << name;
        EXPECT_EQ(t.find<DropDownCombo>(name)->currentText(), QString()) << name;
    }
    EXPECT_EQ(w.tranday_values(), (std::vector<std::string>{"05/25/2013", "03/15/2006"}));

    // Identity statuses and the fee items of some class group: all selected, each list
    // disabled while its "全部" is chosen; the codes behind them.
    const std::tuple<const char*, const char*, QStringList> lists[] = {
        {"Lst_status", "Opt1", {u8("一般生"), u8("低收入戶"), QString()}},
        {"Lst_item", "Opt_item1", {u8("學費"), u8("雜費")}}};
    for (const auto& [name, all, texts] : lists) {
        auto* list = t.find<QListWidget>(name);
        EXPECT_EQ(items_of(list), texts);
        EXPECT_TRUE(list->selectedItems().size() == list->count() && !list->isEnabled()) << name;
        EXPECT_TRUE(t.find<QRadioButton>(all)->isChecked()) << all;
    }
    EXPECT_EQ(w.status_count(), 3);
    EXPECT_EQ(w.status_codes()[2] + w.item_ids()[1], "32");

    for (const char* name : {"Chk_1", "Chk_2", "Chk_3", "Chk_4"})
        EXPECT_TRUE(t.find<QCheckBox>(name)->isChecked()) << name;
    EXPECT_FALSE(t.find<QCheckBox>("Chk_ALL")->isChecked());
    EXPECT_EQ(t.find<MaskedDateEdit>("Msk_payday2")->masked_text(), QStringLiteral("___/__/__"));
}

using StartedWindow = LoadedWindow<>;

TEST_F(StartedWindow, TabVisitsTheControlsInTabIndexOrder) {
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
    const TempDir base("zol_ui_nodb_");
    for (const bool present : {false, true}) {
        if (present) {
            std::filesystem::create_directories(base / "mdb");
            std::ofstream(base / "mdb" / "ZOL.mdb") << "not a database file at all, just text\n";
        }
        WindowUnderTest t(base.path());
        EXPECT_FALSE(t.w().Form_Load());
        ASSERT_EQ(t.messages.size(), 1);
        EXPECT_TRUE(t.messages[0].contains(QStringLiteral("ZOL.mdb"))) << present;
    }
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
        drop_down(t.find<DropDownCombo>("CBO_ClsID"));
        auto& got = lists[std::string(file).ends_with("mdb") ? 0 : 1];
        got.push_back(items_of(t.find<DropDownCombo>("CBO_TranDay")));
        got.push_back(items_of(t.find<DropDownCombo>("CBO_ClsID")));
        for (const char* name : {"Lst_item", "Lst_status", "Lst_group"})
            got.push_back(items_of(t.find<QListWidget>(name)));
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
