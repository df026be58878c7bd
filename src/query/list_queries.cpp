#include "query/list_queries.h"

#include "core/big5.h"
#include "core/date.h"
#include "core/grade.h"
#include "core/numbers.h"
#include "core/text.h"
#include "query/filter_snapshot.h"

namespace zol {
namespace {

std::string grade_number(std::string_view grade_text) {
    return std::to_string(grade_code(grade_text));
}

std::optional<std::string> seat_sql(std::string_view grade_text, std::string_view clsid_text,
                                    const char* order) {
    if (grade_text.empty() || clsid_text.empty()) return std::nullopt;
    return "select distinct Grade,ClsID,SeatNo,StdName from ZOL7_Student where Grade =" +
           grade_number(grade_text) + " and ClsID = " + number_text(leading_number(clsid_text)) +
           " and delmark = 0 " + order;
}

std::optional<DateTime> date_of(const Value& v) {
    if (v.is_date()) return v.date();
    if (v.is_text()) return parse_iso_date(v.text());
    return std::nullopt;
}

}  // namespace

std::string insert_CBO_TranDay_sql() {
    return std::string("select distinct TranDay from ZOL10_Agency") + " where PayStas = -1" +
           " order by TranDay desc ";
}

std::optional<std::string> insert_CBO_sql(std::string_view tranday_text, int tranday_index,
                                          const std::vector<std::string>& tranday_values) {
    if (tranday_text.empty()) return std::nullopt;
    std::string sql = std::string("select distinct A.GrpID,B.GrpName from ZOL10_Agency A ") +
                      " left outer join ZOL6_Group B on A.GrpID = B.GrpID " + " where 1= 1";
    const std::string& value = value_at(tranday_values, tranday_index);
    if (tranday_index != -1 && !value.empty()) sql += " and A.TranDay =#" + value + "#";
    sql += " order by A.GrpID";
    return sql;
}

std::string insert_CBO_ClsID_sql(std::string_view grade_text) {
    return "select distinct ClsID from ZOL7_Student where Grade =" + grade_number(grade_text) +
           " and delmark = 0 ";
}

std::string insert_CBO_ClsID2_sql(std::string_view grade_text) {
    return "select distinct ClsID from ZOL7_Student where Grade =" + grade_number(grade_text);
}

std::optional<std::string> insert_CBO_SeatNo1_sql(std::string_view grade_text,
                                                  std::string_view clsid_text) {
    return seat_sql(grade_text, clsid_text, " order by Grade,ClsID,SeatNo");
}

std::optional<std::string> insert_CBO_SeatNo2_sql(std::string_view grade_text,
                                                  std::string_view clsid_text) {
    return seat_sql(grade_text, clsid_text, " order by Grade,ClsID,SeatNo ");
}

std::string group_list_date(std::string_view combo_text) {
    return number_text(western_year(utf8_left(combo_text, 3))) + utf8_mid(combo_text, 4, 6);
}

std::string insert_group_sql(std::string_view tranday_text, std::string_view tranday2_text) {
    const std::string d1 = trim(tranday_text);
    const std::string d2 = trim(tranday2_text);
    std::string sql =
        std::string("select distinct a.grpid,b.grpname from ZOL10_Agency a,ZOL6_Group b ") +
        "where a.grpid = b.grpid ";
    if (!d1.empty() && !d2.empty()) {
        sql += " and a.tranday >=#" + group_list_date(d1) + "# and a.tranday<=#" +
               group_list_date(d2) + "#";
    } else if (!d1.empty()) {
        sql += " and a.tranday >=#" + group_list_date(d1) + "#";
    } else if (!d2.empty()) {
        sql += " and a.tranday <=#" + group_list_date(d2) + "#";
    }
    return sql;
}

std::string insert_item_sql() {
    return std::string("select distinct ItemId,ItemName from ZOL4_ITEM ") +
           " where itemid in(select distinct itemid from ZOL13_ClsGrpItem)";
}

std::optional<std::string> insert_Payday_sql(std::string_view tranday_text, int tranday_index,
                                             std::string_view tranday2_text, int tranday2_index,
                                             const std::vector<std::string>& tranday_values) {
    const std::string& from = value_at(tranday_values, tranday_index);
    if (tranday_index == -1 || from.empty()) return std::nullopt;
    std::string sql = "select  Max(PayDay),Min(PayDay) from ZOL8_Payment";
    const std::string& to = value_at(tranday_values, tranday2_index);
    const bool has_to = !tranday2_text.empty() && tranday2_index != -1 && !to.empty();
    if (!tranday_text.empty()) {
        sql += " where TranDay >= #" + from + "#";
        if (has_to) sql += " and TranDay <= #" + to + "#";
    } else if (has_to) {
        sql += " where TranDay <= #" + to + "#";
    }
    return sql;
}

std::string status_list_sql() {
    return "select * from ZOL3_Status";
}

std::optional<TrandayEntry> tranday_entry(const Value& v) {
    const auto d = date_of(v);
    if (!d) return std::nullopt;
    return TrandayEntry{roc_padded(*d), query_date(*d)};
}

std::optional<std::string> payday_box_text(const Value& v) {
    const auto d = date_of(v);
    if (!d) return std::nullopt;
    return roc_padded(*d);
}

std::string entry_text(const Value& v) {
    return trim(v.text());
}

std::size_t pick_list_bound(PickList list) {
    switch (list) {
        case PickList::Item:
            return 101;
        case PickList::Status:
            return 1000;
        case PickList::TranDay:
        case PickList::Group:
            break;
    }
    return 501;
}

void read_pick_list(PickList list, ResultSet& rows, const std::function<bool(PickEntry)>& take) {
    const std::size_t bound = pick_list_bound(list);
    for (std::size_t n = 0; !rows.eof() && n < bound; rows.move_next()) {
        PickEntry e;
        if (list == PickList::TranDay) {
            auto entry = tranday_entry(rows.field(0));
            if (!entry) continue;
            e = PickEntry{std::move(entry->text), std::move(entry->value)};
        } else {
            e = PickEntry{entry_text(rows.field(1)), entry_text(rows.field(0))};
        }
        ++n;
        if (!take(std::move(e))) return;
    }
}

std::vector<PickEntry> read_pick_list(PickList list, ResultSet& rows) {
    std::vector<PickEntry> out;
    read_pick_list(list, rows, [&out](PickEntry e) {
        out.push_back(std::move(e));
        return true;
    });
    return out;
}

}  // namespace zol
