// The two statements of a report run, built from the filters: the detail query (one
// row per fee-item line of each payment) and the distinct fee items per class group.
#pragma once

#include <string>

#include "query/check_text.h"
#include "query/filter_snapshot.h"

namespace zol {

inline constexpr const char* kMsgNoData = "查 無 資 料";
inline constexpr const char* kMsgStatusRequired = "身分別須選擇";
// A grade, class or seat text whose number the database cannot take.
inline constexpr const char* kMsgBadGrade = "年級別輸入錯誤";
inline constexpr const char* kMsgBadClass = "班別輸入錯誤";
inline constexpr const char* kMsgBadSeat = "座號輸入錯誤";

enum class QueryOutcome {
    Built,           // both statements are ready
    StatusRequired,  // "選擇部分身分" with no status selected: show kMsgStatusRequired
    BadInput,        // a number that cannot be written into the statement: show `message`
};

struct PaymentQuery {
    QueryOutcome outcome = QueryOutcome::Built;
    std::string message;
    FocusControl focus = FocusControl::None;
    // The fragments of the detail query; sql_from (joins and conditions) is shared by both.
    std::string sql_select;
    std::string sql_from;
    std::string sql_order;
    std::string detail_sql;
    std::string item_sql;
};

// The comma-joined ids of the selected entries of a list, in list order.
std::string selected_id_list(const ListBoxState& list, const std::vector<std::string>& ids);
// The quoted codes for the payment-method condition ("" when none or 全部 is checked).
std::string payment_method_list(const FilterSnapshot& f);

// Builds both statements from a snapshot that passed Check_Text and the dates it gave.
PaymentQuery build_payment_query(const FilterSnapshot& f, const QueryDates& dates);

}  // namespace zol
