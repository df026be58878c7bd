// The detail and item statements of a report run, fragment by fragment.
#include "query/payment_query.h"

#include <gtest/gtest.h>

namespace zol {
namespace {

const std::string kJoins =
    " inner join ZOL8_Payment As B on A.Stdid = B.Stdid)  inner join Zol9_Payitem As C on "
    "B.stdid = C.Stdid  and B.Tranday = C.Tranday and B.Grpid = C.Grpid) inner join "
    "ZOL10_Agency As H on B.TranDay = H.TranDay and B.Grpid=H.Grpid)  left outer join ZOL4_Item "
    "As D on C.ItemId = D.Itemid) left outer join ZOL6_Group As E on B.Grpid = E.Grpid) left "
    "outer join ZOL11_Class As F on A.Grade = F.Grade and A.Clsid=F.Clsid) left outer join "
    "ZOL15_Grade As G on A.Grade = G.Grade)";

QueryDates date_only() {
    return QueryDates{"03/15/2006", "", "", ""};
}

// The WHERE clause: what sql_from holds after the joins.
std::string where_of(const PaymentQuery& q) {
    EXPECT_EQ(q.outcome, QueryOutcome::Built) << q.message;
    EXPECT_EQ(q.sql_from.substr(0, kJoins.size()), kJoins);
    return q.sql_from.size() >= kJoins.size() ? q.sql_from.substr(kJoins.size()) : "";
}

std::string where_for(const FilterSnapshot& f, const QueryDates& d = date_only()) {
    return where_of(build_payment_query(f, d));
}

TEST(PaymentQuery, CollectionDateOnlyGivesTheWholeStatementsExactly) {
    const PaymentQuery q = build_payment_query(FilterSnapshot{}, date_only());
    ASSERT_EQ(q.outcome, QueryOutcome::Built);
    EXPECT_EQ(where_of(q), " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas = -1");
    EXPECT_EQ(
        q.detail_sql,
        "select A.*,B.TranDay,B.Grpid,B.payamt,B.Fee,B.Netfee,B.payway As "
        "preway,C.Itemid,C.Itemamt,B.flow_number,B.PayDay,iif(D.itemid is null,'代號' & "
        "C.itemid & '已刪除',D.itemname) as itemname,E.GrpName,F.Clsid_name,G.Grade_name,"
        "B.acctid As acctid2,B.NetATMFee,B.CVSFee from (((((((ZOL7_Student As A  inner join "
        "ZOL8_Payment As B on A.Stdid = B.Stdid)  inner join Zol9_Payitem As C on B.stdid = "
        "C.Stdid  and B.Tranday = C.Tranday and B.Grpid = C.Grpid) inner join ZOL10_Agency As H "
        "on B.TranDay = H.TranDay and B.Grpid=H.Grpid)  left outer join ZOL4_Item As D on "
        "C.ItemId = D.Itemid) left outer join ZOL6_Group As E on B.Grpid = E.Grpid) left outer "
        "join ZOL11_Class As F on A.Grade = F.Grade and A.Clsid=F.Clsid) left outer join "
        "ZOL15_Grade As G on A.Grade = G.Grade) where B.TranDay =#03/15/2006# and B.PayAmt > 0  "
        "and H.Paystas = -1 order by "
        "B.TranDay,B.Grpid,A.grade,A.Clsid,A.Seatno,A.StdName,A.DelMark,B.preway,C.Itemid");
    EXPECT_EQ(q.item_sql,
              "select distinct B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid,iif(D.itemid is "
              "null,'代號' & C.itemid & '已刪除',D.itemname) as itemname  from "
              "(((((((ZOL7_Student As A  inner join ZOL8_Payment As B on A.Stdid = B.Stdid)  "
              "inner join Zol9_Payitem As C on B.stdid = C.Stdid  and B.Tranday = C.Tranday and "
              "B.Grpid = C.Grpid) inner join ZOL10_Agency As H on B.TranDay = H.TranDay and "
              "B.Grpid=H.Grpid)  left outer join ZOL4_Item As D on C.ItemId = D.Itemid) left "
              "outer join ZOL6_Group As E on B.Grpid = E.Grpid) left outer join ZOL11_Class As F "
              "on A.Grade = F.Grade and A.Clsid=F.Clsid) left outer join ZOL15_Grade As G on "
              "A.Grade = G.Grade) where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas "
              "= -1 order by B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid");
    EXPECT_EQ(q.detail_sql, q.sql_select + q.sql_from + q.sql_order);
}

TEST(PaymentQuery, DateRangesAndPayDates) {
    EXPECT_EQ(where_for(FilterSnapshot{}, {"03/15/2006", "03/15/2006", "", ""}),
              " where B.TranDay >=#03/15/2006#   and B.TranDay <=#03/15/2006# and B.PayAmt > 0  "
              "and H.Paystas = -1");
    EXPECT_EQ(where_for(FilterSnapshot{}, {"03/01/2006", "03/31/2006", "03/02/2006", "04/10/2006"}),
              " where B.TranDay >=#03/01/2006#   and B.TranDay <=#03/31/2006#   and B.payday "
              ">=#03/02/2006#   and B.payday <=#04/10/2006# and B.PayAmt > 0  and H.Paystas = -1");
    EXPECT_EQ(where_for(FilterSnapshot{}, {"03/15/2006", "", "", "04/10/2006"}),
              " where B.TranDay =#03/15/2006#   and B.payday <=#04/10/2006# and B.PayAmt > 0  and "
              "H.Paystas = -1");
}

TEST(PaymentQuery, GradeNumbers) {
    FilterSnapshot f;
    const std::string tail = " and H.Paystas = -1";
    f.CBO_Grade = "幼中";
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and A.Grade = 14" + tail);
    f.CBO_Grade = "幼小";
    EXPECT_NE(where_for(f).find(" and A.Grade = 13 "), std::string::npos);
    f.CBO_Grade = "3";
    EXPECT_NE(where_for(f).find(" and A.Grade = 3 "), std::string::npos);
    f.CBO_Grade = "3A";
    EXPECT_NE(where_for(f).find(" and A.Grade = 3 "), std::string::npos);
    f.CBO_Grade = "2.5";  // halves go to the even neighbour
    EXPECT_NE(where_for(f).find(" and A.Grade = 2 "), std::string::npos);
    f.CBO_Grade = "3.5";
    EXPECT_NE(where_for(f).find(" and A.Grade = 4 "), std::string::npos);
    f.CBO_Grade = "中";
    EXPECT_NE(where_for(f).find(" and A.Grade = 0 "), std::string::npos);
}

TEST(PaymentQuery, GradeBeyondSixteenBitsIsAMessageNotACrash) {
    FilterSnapshot f;
    f.CBO_Grade = "40000";
    const PaymentQuery q = build_payment_query(f, date_only());
    EXPECT_EQ(q.outcome, QueryOutcome::BadInput);
    EXPECT_EQ(q.message, "年級別輸入錯誤");
    EXPECT_EQ(q.focus, FocusControl::CBO_Grade);
    EXPECT_EQ(q.detail_sql, "");
    EXPECT_EQ(q.item_sql, "");
}

TEST(PaymentQuery, ClassAndSeatNumbersAreReadLeniently) {
    FilterSnapshot f;
    f.CBO_ClsID = "3A";
    f.CBO_ClsID2 = "05";
    f.CBO_SeatNo1 = "5.5";
    f.CBO_SeatNo2 = "AB";
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and A.ClsID >= 3 and A.ClsID <= 5 "
              "and A.SeatNo >= 5.5 and A.SeatNo <= 0 and H.Paystas = -1");

    f.CBO_ClsID = "1e999";  // no finite number: refused with a message
    PaymentQuery q = build_payment_query(f, date_only());
    EXPECT_EQ(q.outcome, QueryOutcome::BadInput);
    EXPECT_EQ(q.message, "班別輸入錯誤");
    EXPECT_EQ(q.focus, FocusControl::CBO_ClsID);
    f.CBO_ClsID.clear();
    f.CBO_SeatNo2 = "9e999";
    q = build_payment_query(f, date_only());
    EXPECT_EQ(q.message, "座號輸入錯誤");
    EXPECT_EQ(q.focus, FocusControl::CBO_SeatNo2);
}

TEST(PaymentQuery, StudentNumbersAreQuotedWithTypedQuotesDoubled) {
    FilterSnapshot f;
    f.Txt_StdNo1 = "A001";
    f.Txt_StdNo2 = "O'Neil' or 1=1 --";
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and A.StdNo >= 'A001' and A.StdNo "
              "<= 'O''Neil'' or 1=1 --' and H.Paystas = -1");
    f.Txt_StdNo1 = "學號\"x";  // every other character stays as typed
    EXPECT_NE(where_for(f).find(" and A.StdNo >= '學號\"x'"), std::string::npos);
}

TEST(PaymentQuery, PrearrangedWayIsComparedTrimmedPayStatusExactly) {
    FilterSnapshot f;
    f.CBO_preway = "  轉帳 ";
    EXPECT_EQ(
        where_for(f),
        " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.preway='1' and H.Paystas = -1");
    f.CBO_preway = "臨櫃";
    EXPECT_NE(where_for(f).find(" and B.preway='2' "), std::string::npos);
    f.CBO_preway = "現金";
    EXPECT_EQ(where_for(f).find("preway"), std::string::npos);

    f = FilterSnapshot{};
    f.CBO_paystas = "未繳";
    EXPECT_EQ(
        where_for(f),
        " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.Paystas = 0 and H.Paystas = -1");
    f.CBO_paystas = "已繳";
    EXPECT_NE(where_for(f).find(" and B.Paystas = -1 and H.Paystas = -1"), std::string::npos);
    f.CBO_paystas = " 未繳";
    EXPECT_EQ(where_for(f).find("B.Paystas"), std::string::npos);
    f.CBO_paystas = "已繳 ";
    EXPECT_EQ(where_for(f).find("B.Paystas"), std::string::npos);
}

TEST(PaymentQuery, PaymentMethodLists) {
    FilterSnapshot f;
    f.Chk_4 = false;
    f.Chk_2 = false;
    EXPECT_EQ(payment_method_list(f), "1','3");
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.Payway in('1','3') and "
              "H.Paystas = -1");
    f.Chk_2 = true;
    EXPECT_NE(where_for(f).find(" and B.Payway in('1','2','4','5','6','7','3') "),
              std::string::npos);
    f.Chk_1 = false;
    f.Chk_3 = false;
    EXPECT_NE(where_for(f).find(" and B.Payway in('2','4','5','6','7') "), std::string::npos);
    f.Chk_2 = false;
    f.Chk_3 = true;
    EXPECT_NE(where_for(f).find(" and B.Payway in('3') "), std::string::npos);
    f.Chk_3 = false;  // none of the three: no condition
    EXPECT_EQ(where_for(f).find("Payway"), std::string::npos);
    f.Chk_1 = true;
    f.Chk_4 = true;  // 全部 checked wins
    EXPECT_EQ(where_for(f).find("Payway"), std::string::npos);
}

TEST(PaymentQuery, GroupAndItemListsOnlyForPartialChoices) {
    FilterSnapshot f;
    f.Lst_group.entries = {"註冊費", "午餐費", "課輔費"};
    f.Lst_group.selected = {true, false, true};
    f.group_ids = {"5", "7", "9"};
    f.Lst_item.entries = {"學費", "雜費"};
    f.Lst_item.selected = {true, true};
    f.item_ids = {"101", "102"};
    // "全部" chosen: the selections are not used.
    EXPECT_EQ(where_for(f), " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas = -1");

    f.Opt_group1 = false;
    f.Opt_item1 = false;
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.Grpid in(5,9) and C.itemid in(101,102) and "
              "B.PayAmt > 0  and H.Paystas = -1");

    // Partial choice with nothing selected: no condition.
    f.Lst_group.selected = {false, false, false};
    f.Lst_item.selected = {};
    EXPECT_EQ(where_for(f), " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and H.Paystas = -1");

    // An id array shorter than its list gives an empty id, never a read out of range.
    f.Lst_group.selected = {false, false, true};
    f.group_ids = {"5"};
    EXPECT_EQ(selected_id_list(f.Lst_group, f.group_ids), "");
    f.Lst_group.selected = {true, false, true};
    EXPECT_EQ(selected_id_list(f.Lst_group, f.group_ids), "5,");
}

TEST(PaymentQuery, IdentityStatusesFollowThePayStatusWithoutABlank) {
    FilterSnapshot f;
    f.CBO_paystas = "已繳";
    f.Opt1 = false;
    f.Opt2 = true;
    f.Lst_status.entries = {"一般生", "低收入戶", "原住民"};
    f.Lst_status.selected = {true, false, true};
    f.status_codes = {"1", "2", "3"};
    EXPECT_EQ(where_for(f),
              " where B.TranDay =#03/15/2006# and B.PayAmt > 0  and B.Paystas = -1and A.Stdid "
              "in(select distinct Stdid from ZOL14_Stustas  where Stsid in(1,3))  and H.Paystas = "
              "-1");

    f.Lst_status.selected = {false, false, false};
    const PaymentQuery q = build_payment_query(f, date_only());
    EXPECT_EQ(q.outcome, QueryOutcome::StatusRequired);
    EXPECT_EQ(q.message, "身分別須選擇");
    EXPECT_EQ(q.detail_sql, "");

    // Opt1 chosen: statuses are not read at all.
    f.Opt2 = false;
    f.Opt1 = true;
    EXPECT_EQ(where_for(f).find("ZOL14_Stustas"), std::string::npos);
}

TEST(PaymentQuery, EveryFragmentInItsOrder) {
    FilterSnapshot f;
    f.Opt_group1 = false;
    f.Lst_group.entries = {"g"};
    f.Lst_group.selected = {true};
    f.group_ids = {"4"};
    f.Opt_item1 = false;
    f.Lst_item.entries = {"i"};
    f.Lst_item.selected = {true};
    f.item_ids = {"8"};
    f.CBO_Grade = "7";
    f.CBO_ClsID = "1";
    f.CBO_ClsID2 = "2";
    f.CBO_SeatNo1 = "3";
    f.CBO_SeatNo2 = "4";
    f.Txt_StdNo1 = "S1";
    f.Txt_StdNo2 = "S2";
    f.CBO_preway = "臨櫃";
    f.Chk_4 = false;
    f.Chk_2 = false;
    f.Chk_3 = false;
    f.CBO_paystas = "未繳";
    f.Opt2 = true;
    f.Lst_status.entries = {"s"};
    f.Lst_status.selected = {true};
    f.status_codes = {"6"};
    EXPECT_EQ(where_for(f, {"03/01/2006", "03/31/2006", "03/02/2006", "04/01/2006"}),
              " where B.TranDay >=#03/01/2006#   and B.TranDay <=#03/31/2006#   and B.payday "
              ">=#03/02/2006#   and B.payday <=#04/01/2006# and B.Grpid in(4) and C.itemid in(8) "
              "and B.PayAmt > 0  and A.Grade = 7 and A.ClsID >= 1 and A.ClsID <= 2 and A.SeatNo >= "
              "3 and A.SeatNo <= 4 and A.StdNo >= 'S1' and A.StdNo <= 'S2' and B.preway='2' and "
              "B.Payway in('1') and B.Paystas = 0and A.Stdid in(select distinct Stdid from "
              "ZOL14_Stustas  where Stsid in(6))  and H.Paystas = -1");
}

}  // namespace
}  // namespace zol
