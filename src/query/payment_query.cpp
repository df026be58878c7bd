#include "query/payment_query.h"

#include <cmath>
#include <optional>
#include <utility>

#include "core/grade.h"
#include "core/numbers.h"
#include "core/payment_codes.h"
#include "core/text.h"
#include "data/sql_quote.h"

namespace zol {
namespace {

// "B.payway As preway": the detail field named preway holds the payway code (see
// core/payment_codes.h).
constexpr const char* kDetailSelect =
    "select A.*,B.TranDay,B.Grpid,B.payamt,B.Fee,B.Netfee,B.payway As preway,C.Itemid,"
    "C.Itemamt,B.flow_number,B.PayDay,"
    "iif(D.itemid is null,'代號' & C.itemid & '已刪除',D.itemname) as itemname,E.GrpName,"
    "F.Clsid_name,G.Grade_name,B.acctid As acctid2,B.NetATMFee,B.CVSFee "
    "from (((((((ZOL7_Student As A ";

constexpr const char* kJoins =
    " inner join ZOL8_Payment As B on A.Stdid = B.Stdid) "
    " inner join Zol9_Payitem As C on B.stdid = C.Stdid "
    " and B.Tranday = C.Tranday and B.Grpid = C.Grpid) "
    "inner join ZOL10_Agency As H on B.TranDay = H.TranDay and B.Grpid=H.Grpid) "
    " left outer join ZOL4_Item As D on C.ItemId = D.Itemid)"
    " left outer join ZOL6_Group As E on B.Grpid = E.Grpid)"
    " left outer join ZOL11_Class As F on A.Grade = F.Grade and A.Clsid=F.Clsid)"
    " left outer join ZOL15_Grade As G on A.Grade = G.Grade)";

constexpr const char* kDetailOrder =
    " order by B.TranDay,B.Grpid,A.grade,A.Clsid,A.Seatno,A.StdName,A.DelMark,B.preway,C.Itemid";

constexpr const char* kItemSelect =
    "select distinct B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid,"
    "iif(D.itemid is null,'代號' & C.itemid & '已刪除',D.itemname) as itemname "
    " from (((((((ZOL7_Student As A ";

constexpr const char* kItemOrder = " order by B.TranDay,B.Grpid,A.grade,A.Clsid,C.Itemid";

// The leading number of a box as the statement writes it; nullopt when it is not finite.
std::optional<std::string> box_number(const std::string& text) {
    const double v = leading_number(text);
    if (!std::isfinite(v)) return std::nullopt;
    return number_text(v);
}

PaymentQuery bad_input(PaymentQuery q, const char* message, FocusControl focus) {
    q.outcome = QueryOutcome::BadInput;
    q.message = message;
    q.focus = focus;
    q.sql_from.clear();
    return q;
}

}  // namespace

std::string selected_id_list(const ListBoxState& list, const std::vector<std::string>& ids) {
    std::string out;
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (!list.is_selected(i)) continue;
        if (!out.empty()) out += ",";
        out += value_at(ids, static_cast<long long>(i));
    }
    return out;
}

std::string payment_method_list(const FilterSnapshot& f) {
    if (f.Chk_4) return "";
    const std::pair<bool, MethodBox> boxes[] = {
        {f.Chk_1, MethodBox::Transfer}, {f.Chk_2, MethodBox::Counter}, {f.Chk_3, MethodBox::Cash}};
    std::string out;
    for (const auto& [checked, box] : boxes) {
        if (!checked) continue;
        if (!out.empty()) out += "','";
        out += payway_codes_of(box, "','");
    }
    return out;
}

PaymentQuery build_payment_query(const FilterSnapshot& f, const QueryDates& dates) {
    PaymentQuery q;
    q.sql_select = kDetailSelect;
    std::string& w = q.sql_from;
    w = kJoins;

    if (!dates.date_to.empty()) {
        w += " where B.TranDay >=#" + dates.date_from + "#" + "   and B.TranDay <=#" +
             dates.date_to + "#";
    } else {
        w += " where B.TranDay =#" + dates.date_from + "#";
    }
    if (!dates.payday_from.empty()) w += "   and B.payday >=#" + dates.payday_from + "#";
    if (!dates.payday_to.empty()) w += "   and B.payday <=#" + dates.payday_to + "#";

    if (!f.Opt_group1) {
        const std::string groups = selected_id_list(f.Lst_group, f.group_ids);
        if (!groups.empty()) w += " and B.Grpid in(" + groups + ")";
    }
    if (!f.Opt_item1) {
        const std::string items = selected_id_list(f.Lst_item, f.item_ids);
        if (!items.empty()) w += " and C.itemid in(" + items + ")";
    }
    w += " and B.PayAmt > 0 ";

    if (!f.CBO_Grade.empty()) {
        std::int16_t grade = 0;
        try {
            grade = grade_code(f.CBO_Grade);
        } catch (const OverflowError&) {
            return bad_input(std::move(q), kMsgBadGrade, FocusControl::CBO_Grade);
        }
        w += " and A.Grade = " + std::to_string(grade);
    }
    struct NumberBox {
        const std::string& text;
        const char* fragment;
        const char* message;
        FocusControl focus;
    };
    const NumberBox boxes[] = {
        {f.CBO_ClsID, " and A.ClsID >= ", kMsgBadClass, FocusControl::CBO_ClsID},
        {f.CBO_ClsID2, " and A.ClsID <= ", kMsgBadClass, FocusControl::CBO_ClsID2},
        {f.CBO_SeatNo1, " and A.SeatNo >= ", kMsgBadSeat, FocusControl::CBO_SeatNo1},
        {f.CBO_SeatNo2, " and A.SeatNo <= ", kMsgBadSeat, FocusControl::CBO_SeatNo2},
    };
    for (const NumberBox& b : boxes) {
        if (b.text.empty()) continue;
        const auto n = box_number(b.text);
        if (!n) return bad_input(std::move(q), b.message, b.focus);
        w += b.fragment + *n;
    }
    if (!f.Txt_StdNo1.empty()) w += " and A.StdNo >= " + sql_text(f.Txt_StdNo1);
    if (!f.Txt_StdNo2.empty()) w += " and A.StdNo <= " + sql_text(f.Txt_StdNo2);

    const std::string preway = trim(f.CBO_preway);
    for (const PrewayChoice& c : kPrewayChoices) {
        if (preway == c.name) w += " and B.preway=" + sql_text(c.code);
    }

    const std::string methods = payment_method_list(f);
    if (!methods.empty()) w += " and B.Payway in('" + methods + "')";

    if (f.CBO_paystas == "未繳") {
        w += " and B.Paystas = 0";
    } else if (f.CBO_paystas == "已繳") {
        w += " and B.Paystas = -1";
    }

    if (f.Opt2) {
        const std::string statuses = selected_id_list(f.Lst_status, f.status_codes);
        if (statuses.empty()) {
            q.outcome = QueryOutcome::StatusRequired;
            q.message = kMsgStatusRequired;
            q.sql_from.clear();
            return q;
        }
        w += std::string("and A.Stdid in(select distinct Stdid from ZOL14_Stustas ") +
             " where Stsid in(" + statuses + ")) ";
    }
    w += " and H.Paystas = -1";

    q.sql_order = kDetailOrder;
    q.detail_sql = q.sql_select + q.sql_from + q.sql_order;
    q.item_sql = std::string(kItemSelect) + q.sql_from + kItemOrder;
    return q;
}

}  // namespace zol
