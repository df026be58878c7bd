// The pick-list statements and the entries made from their rows.
#include "query/list_queries.h"

#include <gtest/gtest.h>

#include "core/numbers.h"

namespace zol {
namespace {

const std::vector<std::string> kValues = {"03/31/2006", "03/15/2006"};

TEST(ListQueries, FixedStatements) {
    EXPECT_EQ(
        insert_CBO_TranDay_sql(),
        "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay desc ");
    EXPECT_EQ(insert_item_sql(),
              "select distinct ItemId,ItemName from ZOL4_ITEM  where itemid in(select distinct "
              "itemid from ZOL13_ClsGrpItem)");
    EXPECT_EQ(status_list_sql(), "select * from ZOL3_Status");
}

TEST(ListQueries, GroupComboWithAndWithoutChosenDate) {
    EXPECT_EQ(insert_CBO_sql("", -1, kValues), std::nullopt);
    EXPECT_EQ(insert_CBO_sql("095/03/15", 1, kValues),
              "select distinct A.GrpID,B.GrpName from ZOL10_Agency A  left outer join ZOL6_Group B "
              "on A.GrpID = B.GrpID  where 1= 1 and A.TranDay =#03/15/2006# order by A.GrpID");
    EXPECT_EQ(insert_CBO_sql("095/03/1", -1, kValues),
              "select distinct A.GrpID,B.GrpName from ZOL10_Agency A  left outer join ZOL6_Group B "
              "on A.GrpID = B.GrpID  where 1= 1 order by A.GrpID");
    EXPECT_EQ(insert_CBO_sql("095/03/15", 9, kValues),
              "select distinct A.GrpID,B.GrpName from ZOL10_Agency A  left outer join ZOL6_Group B "
              "on A.GrpID = B.GrpID  where 1= 1 order by A.GrpID");
}

TEST(ListQueries, ClassListsCarryTheGradeNumber) {
    EXPECT_EQ(insert_CBO_ClsID_sql("3"),
              "select distinct ClsID from ZOL7_Student where Grade =3 and delmark = 0 ");
    EXPECT_EQ(insert_CBO_ClsID_sql(""),
              "select distinct ClsID from ZOL7_Student where Grade =0 and delmark = 0 ");
    EXPECT_EQ(insert_CBO_ClsID_sql("幼中"),
              "select distinct ClsID from ZOL7_Student where Grade =14 and delmark = 0 ");
    EXPECT_EQ(insert_CBO_ClsID2_sql("幼大"),
              "select distinct ClsID from ZOL7_Student where Grade =15");
    EXPECT_EQ(insert_CBO_ClsID2_sql("12"),
              "select distinct ClsID from ZOL7_Student where Grade =12");
    EXPECT_THROW(insert_CBO_ClsID_sql("99999"), OverflowError);
}

TEST(ListQueries, SeatListsNeedGradeAndClass) {
    EXPECT_EQ(insert_CBO_SeatNo1_sql("3", "03"),
              "select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =3 and "
              "ClsID = 3 and delmark = 0  order by Grade,ClsID,SeatNo");
    EXPECT_EQ(insert_CBO_SeatNo2_sql("幼小", "2"),
              "select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =13 and "
              "ClsID = 2 and delmark = 0  order by Grade,ClsID,SeatNo ");
    EXPECT_EQ(insert_CBO_SeatNo1_sql("", "3"), std::nullopt);
    EXPECT_EQ(insert_CBO_SeatNo1_sql("3", ""), std::nullopt);
    EXPECT_EQ(insert_CBO_SeatNo2_sql("", ""), std::nullopt);
}

TEST(ListQueries, GroupListDateClauses) {
    const std::string base =
        "select distinct a.grpid,b.grpname from ZOL10_Agency a,ZOL6_Group b where a.grpid = "
        "b.grpid ";
    EXPECT_EQ(group_list_date("095/03/15"), "2006/03/15");
    EXPECT_EQ(group_list_date("102/05/25"), "2013/05/25");
    EXPECT_EQ(insert_group_sql("095/03/15", "095/03/31"),
              base + " and a.tranday >=#2006/03/15# and a.tranday<=#2006/03/31#");
    EXPECT_EQ(insert_group_sql(" 095/03/15 ", ""), base + " and a.tranday >=#2006/03/15#");
    EXPECT_EQ(insert_group_sql("  ", "102/05/25"), base + " and a.tranday <=#2013/05/25#");
    EXPECT_EQ(insert_group_sql("", ""), base);
    // A shortened text still becomes a (possibly invalid) literal; the loader's trap handles it.
    EXPECT_EQ(insert_group_sql("095/03", ""), base + " and a.tranday >=#2006/03#");
}

TEST(ListQueries, PaydayProposal) {
    EXPECT_EQ(insert_Payday_sql("", -1, "", -1, kValues), std::nullopt);
    EXPECT_EQ(insert_Payday_sql("095/03/15", 5, "", -1, kValues), std::nullopt);
    EXPECT_EQ(insert_Payday_sql("095/03/15", 1, "", -1, kValues),
              "select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay >= #03/15/2006#");
    EXPECT_EQ(insert_Payday_sql("095/03/15", 1, "095/03/31", 0, kValues),
              "select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay >= #03/15/2006# and "
              "TranDay <= #03/31/2006#");
    // A to-date text with no entry behind it adds no condition.
    EXPECT_EQ(insert_Payday_sql("095/03/15", 1, "095/03/3", -1, kValues),
              "select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay >= #03/15/2006#");
    EXPECT_EQ(insert_Payday_sql("", 1, "095/03/31", 0, kValues),
              "select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay <= #03/31/2006#");
}

TEST(ListEntries, CollectionDateRows) {
    const auto e = tranday_entry(Value(DateTime{2006, 3, 15}));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, "095/03/15");
    EXPECT_EQ(e->value, "03/15/2006");
    const auto e2 = tranday_entry(Value(DateTime{2013, 5, 25, 10, 30, 0}));
    ASSERT_TRUE(e2);
    EXPECT_EQ(e2->text, "102/05/25");
    EXPECT_EQ(e2->value, "05/25/2013");
    EXPECT_EQ(tranday_entry(Value()), std::nullopt);
    EXPECT_EQ(tranday_entry(Value(std::int64_t{5})), std::nullopt);
    EXPECT_EQ(payday_box_text(Value(DateTime{2011, 12, 1})), "100/12/01");
    EXPECT_EQ(payday_box_text(Value()), std::nullopt);
}

TEST(ListEntries, EntryTexts) {
    EXPECT_EQ(entry_text(Value()), "");
    EXPECT_EQ(entry_text(Value(std::string("  註冊費 "))), "註冊費");
    EXPECT_EQ(entry_text(Value(std::int64_t{12})), "12");
    EXPECT_EQ(std::string(kGradeTexts[13]), "幼中");
    EXPECT_EQ(std::string(kPaystasItems[0]), "未繳");
}

}  // namespace
}  // namespace zol
