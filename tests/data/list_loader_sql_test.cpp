// The list loaders' statements, written out as the query window sends them, run on a
// real package file through a data control.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "data/data_control.h"
#include "data/db_error.h"
#include "data/package_db.h"

namespace zol {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class ListLoaderSql : public ::testing::Test {
  protected:
    void SetUp() override {
        test::write_package_db(dir_.path() / "mdb" / "ZOL.mdb");
        cbo_.set_connection_string(
            "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database password = KTWOM;Data Source=" +
            dir_.path().string() + "\\mdb\\ZOL.mdb;Persist Security Info=False");
    }

    // Rows read by position, as the loaders read them; null shows as "NULL".
    Rows run(const std::string& sql) {
        cbo_.set_record_source(sql);
        cbo_.refresh();
        Rows rows;
        for (; !cbo_.eof(); cbo_.move_next()) {
            std::vector<std::string> row;
            for (std::size_t i = 0; i < cbo_.result().columns().size(); ++i) {
                const Value& v = cbo_.field(i);
                row.push_back(v.is_null() ? "NULL" : v.text());
            }
            rows.push_back(row);
        }
        cbo_.move_first();
        return rows;
    }
    static std::set<std::vector<std::string>> as_set(const Rows& rows) {
        return {rows.begin(), rows.end()};
    }

    test::TempDir dir_;
    DataControl cbo_;
};

TEST_F(ListLoaderSql, CollectionDatesComeNewestFirstAsDates) {
    const Rows rows =
        run("select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay desc ");
    EXPECT_EQ(rows, (Rows{{"2013-05-25"}, {"2006-04-01"}, {"2006-03-15"}}));
    cbo_.move_first();
    ASSERT_TRUE(cbo_.field(0).is_date());
    EXPECT_EQ(cbo_.field(0).date(), (DateTime{2013, 5, 25}));
}

TEST_F(ListLoaderSql, GroupsOfOneDateOrOfAllDates) {
    EXPECT_EQ(
        run("select distinct A.GrpID,B.GrpName from ZOL10_Agency A  left outer join ZOL6_Group "
            "B on A.GrpID = B.GrpID  where 1= 1 and A.TranDay =#03/15/2006# order by A.GrpID"),
        (Rows{{"1", "一般群組"}, {"2", "幼稚園"}}));
    // Without a date every batch's group is offered; group 4 has no name row.
    EXPECT_EQ(
        run("select distinct A.GrpID,B.GrpName from ZOL10_Agency A  left outer join ZOL6_Group "
            "B on A.GrpID = B.GrpID  where 1= 1 order by A.GrpID"),
        (Rows{{"1", "一般群組"}, {"2", "幼稚園"}, {"3", "補繳"}, {"4", "NULL"}}));
}

TEST_F(ListLoaderSql, ClassesOfAGradeWithAndWithoutDeletedStudents) {
    EXPECT_EQ(
        as_set(run("select distinct ClsID from ZOL7_Student where Grade =3 and delmark = 0 ")),
        (std::set<std::vector<std::string>>{{"1"}, {"9"}}));
    EXPECT_EQ(as_set(run("select distinct ClsID from ZOL7_Student where Grade =3")),
              (std::set<std::vector<std::string>>{{"1"}, {"2"}, {"9"}}));
    EXPECT_EQ(run("select distinct ClsID from ZOL7_Student where Grade =14 and delmark = 0 "),
              (Rows{{"1"}}));
    EXPECT_TRUE(
        run("select distinct ClsID from ZOL7_Student where Grade =0 and delmark = 0 ").empty());
    EXPECT_TRUE(cbo_.eof());
}

TEST_F(ListLoaderSql, SeatsOfAClassInSeatOrder) {
    const Rows expected{{"3", "1", "1", "王小明"}, {"3", "1", "2", "李大華"}};
    EXPECT_EQ(run("select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =3 and "
                  "ClsID = 1 and delmark = 0  order by Grade,ClsID,SeatNo"),
              expected);
    EXPECT_EQ(run("select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =3 and "
                  "ClsID = 1 and delmark = 0  order by Grade,ClsID,SeatNo "),
              expected);
    // The deleted student of class 2 is not offered.
    EXPECT_TRUE(
        run("select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =3 and "
            "ClsID = 2 and delmark = 0  order by Grade,ClsID,SeatNo")
            .empty());
}

TEST_F(ListLoaderSql, GroupListForEachDateClauseForm) {
    using Set = std::set<std::vector<std::string>>;
    const std::string base =
        "select distinct a.grpid,b.grpname from ZOL10_Agency a,ZOL6_Group b where a.grpid = "
        "b.grpid ";
    EXPECT_EQ(as_set(run(base + " and a.tranday >=#2006/03/15# and a.tranday<=#2006/04/01#")),
              (Set{{"1", "一般群組"}, {"2", "幼稚園"}}));
    EXPECT_EQ(as_set(run(base + " and a.tranday >=#2006/04/01#")),
              (Set{{"1", "一般群組"}, {"3", "補繳"}}));
    EXPECT_EQ(as_set(run(base + " and a.tranday <=#2006/03/15#")),
              (Set{{"1", "一般群組"}, {"2", "幼稚園"}}));
    EXPECT_EQ(as_set(run(base)), (Set{{"1", "一般群組"}, {"2", "幼稚園"}, {"3", "補繳"}}));
    // A shortened date text makes no date literal: the loader's error trap relies on this.
    EXPECT_THROW(run(base + " and a.tranday >=#2006/03/#"), DbError);
    EXPECT_THROW(run(base + " and a.tranday >=#2006/02/30#"), DbError);
    EXPECT_THROW(run(base + " and a.tranday >=#1920#"), DbError);
}

TEST_F(ListLoaderSql, FeeItemsThatSomeClassGroupUses) {
    EXPECT_EQ(
        as_set(run("select distinct ItemId,ItemName from ZOL4_ITEM  where itemid in(select "
                   "distinct itemid from ZOL13_ClsGrpItem)")),
        (std::set<std::vector<std::string>>{{"1", "學費"}, {"2", "午餐費"}, {"3", "點心費"}}));
}

TEST_F(ListLoaderSql, PayDateRangeArrivesAsDates) {
    run("select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay >= #03/15/2006# and "
        "TranDay <= #04/01/2006#");
    ASSERT_EQ(cbo_.row_count(), 1u);
    ASSERT_TRUE(cbo_.field(0).is_date());
    ASSERT_TRUE(cbo_.field(1).is_date());
    EXPECT_EQ(cbo_.field(0).date(), (DateTime{2006, 3, 30}));
    EXPECT_EQ(cbo_.field(1).date(), (DateTime{2006, 3, 10}));

    // The latest pay date before the 2006-04-01 batch carries a time of day.
    run("select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay <= #03/15/2006#");
    ASSERT_TRUE(cbo_.field(0).is_date());
    EXPECT_EQ(cbo_.field(0).date(), (DateTime{2006, 3, 14, 10, 30, 0}));

    EXPECT_EQ(
        run("select  Max(PayDay),Min(PayDay) from ZOL8_Payment where TranDay >= #01/01/2020#"),
        (Rows{{"NULL", "NULL"}}));
}

TEST_F(ListLoaderSql, DateTypingOfPlainAliasedAndQualifiedColumns) {
    run("select max(B.PayDay) As latest, Min(B.TranDay) first_day, max(B.PayAmt), B.PayDay, "
        "max(B.flow_number) from ZOL8_Payment As B where B.Stdid = 1");
    EXPECT_TRUE(cbo_.field("latest").is_date());
    EXPECT_TRUE(cbo_.field("FIRST_DAY").is_date());
    EXPECT_TRUE(cbo_.field(2).is_integer());
    EXPECT_TRUE(cbo_.field(3).is_date());
    EXPECT_TRUE(cbo_.field(4).is_text());
    // Money kept as stored: REAL stays a real, exactly.
    run("select CVSFee, Fee from ZOL8_Payment where Stdid = 5");
    ASSERT_TRUE(cbo_.field(0).is_real());
    EXPECT_EQ(cbo_.field(0).number(), 12.5);
    EXPECT_EQ(cbo_.field(0).text(), "12.5");
    EXPECT_TRUE(cbo_.field(1).is_integer());
}

TEST_F(ListLoaderSql, IdentityStatusesWithANullName) {
    EXPECT_EQ(run("select * from ZOL3_Status"),
              (Rows{{"1", "一般生"}, {"2", "低收入戶"}, {"3", "原住民"}, {"4", "NULL"}}));
}

}  // namespace
}  // namespace zol
