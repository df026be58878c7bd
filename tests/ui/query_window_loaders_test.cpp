// The pick-list loaders: the statement each one hands to Ado_CBO, the entries and values
// it makes of the rows, Timer1's group reload, the pay-date proposal and the bounds.
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>

#include "query/list_queries.h"
#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

class Loaders : public LoadedWindow<false> {
  protected:
    const std::string& sql() { return t.w().Ado_CBO().record_source(); }
};

// Each list as it drops down after the fields it depends on: groups of the date in id
// order, classes of the grade number, seats of the "from" class even for the "to" seats.
// Where a field is missing the list is empty and no query is sent; a seat typed is dropped.
TEST_F(Loaders, DropDownListsFollowTheFieldsTheyDependOn) {
    const struct {
        int date;  // entry of the collection dates; -1: none
        const char *grade, *cls, *combo;
        QStringList items;
        bool queried;
    } cases[] = {
        {-1, "", "", "CBO_GrpID", {}, false},
        {1, "", "", "CBO_GrpID", {u8(" 註冊費 "), u8("午餐費")}, true},
        {0, "", "", "CBO_GrpID", {u8(" 註冊費 "), QString()}, true},  // a group with no name
        {-1, "", "", "CBO_ClsID", {}, true},
        {-1, "3", "", "CBO_ClsID", {"1"}, true},  // class 2 has only a removed student
        {-1, "3", "", "CBO_ClsID2", {"1", "2"}, true},
        {-1, "幼中", "", "CBO_ClsID", {"1"}, true},
        {-1, "", "", "CBO_SeatNo1", {}, false},
        {-1, "3", "01", "CBO_SeatNo1", {"1", "2"}, true},
        {-1, "3", "01", "CBO_SeatNo2", {"1", "2"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.combo) + " " + c.grade + " " + c.cls);
        combo("CBO_TranDay")->setCurrentIndex(c.date);
        combo("CBO_Grade")->setEditText(u8(c.grade));
        combo("CBO_ClsID")->setEditText(c.cls);
        combo("CBO_ClsID2")->setEditText("2");
        combo("CBO_SeatNo1")->setEditText("12");
        const std::string before = sql();
        drop_down(combo(c.combo));
        QStringList items = items_of(combo(c.combo));
        if (std::string(c.combo) == "CBO_ClsID2") items.sort();
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(sql() != before, c.queried);
        EXPECT_EQ(combo(c.combo)->currentText(), QString());
    }
}

TEST_F(Loaders, TimerReloadsTheGroupListWhenADateChanges) {
    auto* groups = t.find<QListWidget>("Lst_group");
    t.w().Timer1_Timer();  // nothing chosen yet: no change, design entry stays
    ASSERT_EQ(groups->count(), 1);
    EXPECT_EQ(groups->item(0)->text(), QStringLiteral("Lst_group"));

    combo("CBO_TranDay")->setCurrentIndex(1);  // 095/03/15
    t.w().Timer1_Timer();
    EXPECT_EQ(sql(), insert_group_sql("095/03/15", ""));
    EXPECT_EQ(t.w().list_sql(), insert_group_sql("", ""));
    // Every batch from 2006-03-15 on, whether it takes part or not: groups 1, 2 and 3,
    // distinct and trimmed.
    QStringList names;
    for (int i = 0; i < groups->count(); ++i) {
        names << groups->item(i)->text() + "=" +
                     QString::fromStdString(t.w().group_ids()[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(groups->item(i)->isSelected());
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{u8("午餐費=2"), u8("註冊費=1"), u8("課輔費=3")}));
    EXPECT_EQ(t.w().group_ids().size(), 3u);
    EXPECT_TRUE(!groups->isEnabled() && t.find<QRadioButton>("Opt_group1")->isChecked());

    // No change since the last tick: nothing is sent.
    drop_down(combo("CBO_ClsID"));
    const std::string other = sql();
    t.w().Timer1_Timer();
    EXPECT_EQ(sql(), other);

    combo("CBO_TranDay2")->setCurrentIndex(1);
    t.w().Timer1_Timer();
    EXPECT_EQ(sql(), insert_group_sql("095/03/15", "095/03/15"));

    combo("CBO_TranDay")->setEditText(QString());
    t.w().Timer1_Timer();
    EXPECT_EQ(sql(), insert_group_sql("", "095/03/15"));
    combo("CBO_TranDay2")->setEditText(QString());
    t.w().Timer1_Timer();
    EXPECT_EQ(sql(), t.w().list_sql());  // no dates: every group
}

TEST_F(Loaders, TheRunningTimerPicksUpADateWithinThreeSeconds) {
    ASSERT_TRUE(t.w().Timer1()->isActive());
    EXPECT_EQ(t.w().Timer1()->interval(), 3000);
    auto* groups = t.find<QListWidget>("Lst_group");
    combo("CBO_TranDay")->setCurrentIndex(0);  // 102/05/25: group 1 only (9 has no name row)
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 4000 && groups->item(0)->text() == QStringLiteral("Lst_group")) {
        QTest::qWait(50);
    }
    ASSERT_EQ(groups->count(), 1);
    EXPECT_EQ(groups->item(0)->text(), u8("註冊費"));
    EXPECT_LT(clock.elapsed(), 3500);
}

TEST_F(Loaders, PayDateProposalFillsBothBoxesWhenTheFromBoxIsEnteredEmpty) {
    t.show();
    auto* from = t.find<MaskedDateEdit>("Msk_payday1");
    auto* to = t.find<MaskedDateEdit>("Msk_payday2");
    from->setFocus();  // no collection date chosen: nothing happens
    EXPECT_EQ(from->masked_text(), QStringLiteral("___/__/__"));
    combo("CBO_TranDay")->setFocus();

    combo("CBO_TranDay")->setCurrentIndex(1);  // 095/03/15, no to-date
    from->setFocus();
    EXPECT_EQ(sql(), *insert_Payday_sql("095/03/15", 1, "", -1, t.w().tranday_values()));
    EXPECT_EQ(from->masked_text(), QStringLiteral("095/03/20"));
    EXPECT_EQ(to->masked_text(), QStringLiteral("102/05/28"));

    // A box that holds something is left alone.
    combo("CBO_TranDay2")->setCurrentIndex(1);
    combo("CBO_TranDay")->setFocus();
    from->setFocus();
    EXPECT_EQ(to->masked_text(), QStringLiteral("102/05/28"));

    from->set_masked_text(QString());
    combo("CBO_TranDay")->setFocus();
    from->setFocus();
    EXPECT_EQ(sql(), *insert_Payday_sql("095/03/15", 1, "095/03/15", 1, t.w().tranday_values()));
    EXPECT_EQ(from->masked_text(), QStringLiteral("095/03/20"));
    EXPECT_EQ(to->masked_text(), QStringLiteral("095/03/25"));
    EXPECT_TRUE(t.messages.isEmpty());
}

TEST(LoaderFailures, GroupListErrorEmptiesTheListSilently) {
    TempPackage pkg("drop table ZOL6_Group;");
    WindowUnderTest t(pkg.base());
    ASSERT_TRUE(t.w().Form_Load());
    t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(1);
    t.w().Timer1_Timer();
    EXPECT_EQ(t.find<QListWidget>("Lst_group")->count(), 0);
    EXPECT_TRUE(!t.find<QRadioButton>("Opt_group1")->isChecked() && t.messages.isEmpty());
}

TEST(LoaderFailures, DatabaseErrorInADropDownIsShownAndTheWindowStays) {
    TempPackage pkg("drop table ZOL7_Student;");
    WindowUnderTest t(pkg.base());
    ASSERT_TRUE(t.w().Form_Load());
    drop_down(t.find<DropDownCombo>("CBO_ClsID"));
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_TRUE(t.messages[0].contains(QStringLiteral("ZOL7_Student"), Qt::CaseInsensitive))
        << t.messages[0].toStdString();
    // Still working: another list loads.
    t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(1);
    drop_down(t.find<DropDownCombo>("CBO_GrpID"));
    EXPECT_EQ(t.find<DropDownCombo>("CBO_GrpID")->count(), 2);
}

}  // namespace
}  // namespace zol::test
