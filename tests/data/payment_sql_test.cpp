// The detail and item queries of a report run, written out literally with several filter
// combinations, run on a real package file and checked row by row.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "data/data_control.h"
#include "data/package_db.h"

namespace zol {
namespace {

const std::string kSelect =
    "select A.*,B.TranDay,B.Grpid,B.payamt,B.Fee,B.Netfee,B.payway As preway,C.Itemid,C.Itemamt,"
    "B.flow_number,B.PayDay,iif(D.itemid is null,'代號' & C.itemid & '已刪除',D.itemname) as "
    "itemname,E.GrpName,F.Clsid_name,G.Grade_name,B.acctid As acctid2,B.NetATMFee,B.CVSFee from "
    "(((((((ZOL7_Student As A ";
const std::string kJoins =
    " inner join ZOL8_Payment As B on A.Stdid = B.Stdid)  inner join Zol9_Payitem As C on "
    "B.stdid = C.Stdid  and B.Tranday = C.Tranday and B.Grpid = C.Grpid) inner join ZOL10_Agency "
    "As H on B.TranDay = H.TranDay and B.Grpid=H.Grpid)  left outer join ZOL4_Item As D on "
    "C.ItemId "
    "= D.Itemid) left outer join ZOL6_Group As E on B.Grpid = E.Grpid) left outer join ZOL11_Class "
    "As F on A.Grade = F.Grade and A.Clsid=F.Clsid) left outer join ZOL15_Grade As G on A.Grade = "
    "G.Grade)";
const std::string kOrder =
    " order by B.TranDay,B.Grpid,A.grade,A.Clsid,A.Seatno,A.StdName,A.DelMark,B.preway,C.Itemid";
const std::string kItemSelect =
    "select distinct B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid,iif(D.itemid is null,'代號' & "
    "C.itemid & '已刪除',D.itemname) as itemname  from (((((((ZOL7_Student As A ";
const std::string kItemOrder = " order by B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid";

using Lines = std::vector<std::pair<long long, long long>>;  // (stdid, itemid) per row

class PaymentSql : public ::testing::Test {
  protected:
    void SetUp() override {
        test::write_package_db(dir_.path() / "mdb" / "ZOL.mdb");
        const std::string conn =
            "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database password = KTWOM;Data Source=" +
            dir_.path().string() + "\\mdb\\ZOL.mdb;Persist Security Info=False";
        print_.set_connection_string(conn);
        cbo_.set_connection_string(conn);
    }
    Lines detail(const std::string& where) {
        print_.set_record_source(kSelect + kJoins + where + kOrder);
        print_.refresh();
        Lines lines;
        for (; !print_.eof(); print_.move_next()) {
            lines.emplace_back(static_cast<long long>(print_.field("stdid").number()),
                               static_cast<long long>(print_.field("Itemid").number()));
        }
        print_.move_first();
        return lines;
    }

    test::TempDir dir_;
    DataControl print_;
    DataControl cbo_;
};

TEST_F(PaymentSql, CollectionDateOnlyGivesEveryItemLineInReportOrder) {
    const Lines lines =
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas = -1");
    // Group 1: grade 3 class 1 seats 1 and 2, class 2 (deleted student), class 9; then group 2.
    EXPECT_EQ(lines, (Lines{{1, 1}, {1, 2}, {2, 1}, {2, 7}, {3, 1}, {5, 1}, {4, 3}}));
    EXPECT_EQ(print_.row_count(), 7u);

    // First row: the student's own columns, then the payment's, as the writer reads them.
    EXPECT_EQ(print_.field("StdName").text(), "王小明");
    EXPECT_EQ(print_.field("tranday").date(), (DateTime{2006, 3, 15}));
    EXPECT_EQ(print_.field("payDay").date(), (DateTime{2006, 3, 10}));
    EXPECT_EQ(print_.field("Preway").text(), "1");  // the payment method, not the table's preway
    EXPECT_EQ(print_.field("acctid2").text(), "12345");
    EXPECT_EQ(print_.field("ItemName").text(), "學費");
    EXPECT_EQ(print_.field("GrpName").text(), "一般群組");
    EXPECT_EQ(print_.field("clsid_name").text(), "三年一班");
    EXPECT_EQ(print_.field("grade_name").text(), "三年級");
    EXPECT_EQ(print_.field("ItemAmt").number(), 1000);
    EXPECT_EQ(print_.field("flow_number").text(), "0001");

    print_.move_next();
    print_.move_next();
    print_.move_next();  // student 2, item 7: gone from the item table
    EXPECT_EQ(print_.field("itemname").text(), "代號7已刪除");
    EXPECT_TRUE(print_.field("acctid2").is_null());
    print_.move_next();  // student 3: deleted, paid with a time of day, no serial number
    EXPECT_EQ(print_.field("DelMark").number(), -1);
    EXPECT_EQ(print_.field("payday").date(), (DateTime{2006, 3, 14, 10, 30, 0}));
    EXPECT_TRUE(print_.field("flow_number").is_null());
    EXPECT_EQ(print_.field("Clsid_name").text(), "三年二班");
    print_.move_next();  // student 5: class 9 has no class row
    EXPECT_TRUE(print_.field("clsid_name").is_null());
    EXPECT_EQ(print_.field("grade_name").text(), "三年級");
    print_.move_next();  // student 4: kindergarten, group 2
    EXPECT_EQ(print_.field("grade").number(), 14);
    EXPECT_EQ(print_.field("grade_name").text(), "幼中");
    print_.move_next();
    EXPECT_TRUE(print_.eof());
}

TEST_F(PaymentSql, DateRangeAndPayDateRange) {
    // Pay dates 03/12..03/30 inclusive; the one paid at 10:30 on 03/14 lies inside.
    EXPECT_EQ(
        detail(" where B.TranDay >=#03/15/2006#   and B.TranDay <=#04/01/2006#   and B.payday "
               ">=#03/12/2006#   and B.payday <=#03/30/2006# and B.PayAmt > 0  and H.Paystas = -1"),
        (Lines{{2, 1}, {2, 7}, {3, 1}, {5, 1}, {6, 2}}));
    // Equal from and to dates still use the range form.
    EXPECT_EQ(
        detail(" where B.TranDay >=#04/01/2006#   and B.TranDay <=#04/01/2006# and B.PayAmt > 0 "
               " and H.Paystas = -1"),
        (Lines{{6, 2}}));
    // A pay-date limit of 03/14 leaves out the payment made at 10:30 that day, as Jet does.
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006#   and B.payday <=#03/14/2006# and B.PayAmt > 0 "
               " and H.Paystas = -1"),
        (Lines{{1, 1}, {1, 2}, {2, 1}, {2, 7}, {5, 1}, {4, 3}}));
}

TEST_F(PaymentSql, GroupItemAndGradeLists) {
    EXPECT_EQ(detail(" where B.TranDay =#03/15/2006# and B.Grpid in(1,2) and C.itemid in(1,3) and "
                     "B.PayAmt > 0  and A.Grade = 3 and H.Paystas = -1"),
              (Lines{{1, 1}, {2, 1}, {3, 1}, {5, 1}}));
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.Grpid in(2) and B.PayAmt > 0  and A.Grade = "
               "14 and H.Paystas = -1"),
        (Lines{{4, 3}}));
}

TEST_F(PaymentSql, ClassAndSeatRanges) {
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and A.Grade = 3 and A.ClsID >= 1 "
               "and A.ClsID <= 2 and A.SeatNo >= 2 and A.SeatNo <= 5 and H.Paystas = -1"),
        (Lines{{2, 1}, {2, 7}}));
}

TEST_F(PaymentSql, StudentNumbersPrewayMethodsAndPayStatus) {
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and A.StdNo >= 'S002' and "
               "A.StdNo <= 'S005' and B.preway='2' and B.Payway in('2','4','5','6','7','3') and "
               "B.Paystas = -1 and H.Paystas = -1"),
        (Lines{{2, 1}, {2, 7}, {3, 1}}));
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.preway='2' and B.Paystas "
               "= 0 and H.Paystas = -1"),
        (Lines{{5, 1}}));
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.preway='1' and B.Payway "
               "in('1','3') and H.Paystas = -1"),
        (Lines{{1, 1}, {1, 2}}));
}

TEST_F(PaymentSql, IdentityStatusSubqueryGluedToTheNumberBeforeIt) {
    EXPECT_EQ(
        detail(" where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.Paystas = -1and A.Stdid "
               "in(select distinct Stdid from ZOL14_Stustas  where Stsid in(1,3))  and H.Paystas = "
               "-1"),
        (Lines{{1, 1}, {1, 2}, {2, 1}, {2, 7}}));
}

TEST_F(PaymentSql, OnlyBatchesFlaggedPaidTakePart) {
    // Group 3 of 2013-05-25 lies in a batch whose flag is 0.
    EXPECT_EQ(detail(" where B.TranDay =#05/25/2013# and B.PayAmt > 0  and H.Paystas = -1"),
              (Lines{{1, 2}}));
}

TEST_F(PaymentSql, ItemQueryGivesTheColumnsOfEachClassGroup) {
    const std::string where = " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas = -1";
    cbo_.set_record_source(kItemSelect + kJoins + where + kItemOrder);
    cbo_.refresh();
    std::vector<std::string> got;
    for (; !cbo_.eof(); cbo_.move_next()) {
        EXPECT_TRUE(cbo_.field("tranday").is_date());
        got.push_back(cbo_.field("Grpid").text() + "/" + cbo_.field("grade").text() + "/" +
                      cbo_.field("Clsid").text() + "/" + cbo_.field("Itemid").text() + " " +
                      cbo_.field("ItemName").text());
    }
    EXPECT_EQ(got,
              (std::vector<std::string>{"1/3/1/1 學費", "1/3/1/2 午餐費", "1/3/1/7 代號7已刪除",
                                        "1/3/2/1 學費", "1/3/9/1 學費", "2/14/1/3 點心費"}));
    // The writer walks the item result again from its first row.
    cbo_.move_first();
    EXPECT_EQ(cbo_.field("ItemName").text(), "學費");
}

TEST_F(PaymentSql, PaymentWithoutItemsGivesNoLine) {
    test::exec_on(dir_.path() / "mdb" / "ZOL.mdb",
                  "INSERT INTO ZOL8_Payment VALUES (2, '2006-04-01', 1, 100, 0, 100, '1', '1', "
                  "'0099', '2006-03-31', NULL, 0, 0, -1)");
    EXPECT_EQ(detail(" where B.TranDay =#04/01/2006# and B.PayAmt > 0  and H.Paystas = -1"),
              (Lines{{6, 2}}));
}

}  // namespace
}  // namespace zol
