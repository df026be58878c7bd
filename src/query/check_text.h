// The filter check that opens every report run: required collection date, valid pay
// dates, the merged-printing limits, trimming of the free-text boxes, and the
// whole-school question before a direct print.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "query/filter_snapshot.h"

namespace zol {

inline constexpr const char* kMsgTranDayRequired = "收 款 日 期 必 須 輸 入";
// A to-date combo holding a text that is not one of its entries (shortened by hand).
inline constexpr const char* kMsgTranDay2NotInList = "收款日期(至)必須由清單選取";
inline constexpr const char* kMsgDateError = "日期輸入錯誤";
inline constexpr const char* kMsgMergedOneDate = "採用班級合併列印,請限定同一收款日期";
inline constexpr const char* kMsgMergedOneGroup =
    "採用班級合併列印,必須限定繳費群組,請選取繳費群組";
// Asked with Yes/No buttons and an empty title.
inline constexpr const char* kWholeSchoolQuestion = "你 要 顯 示 全 校 名 冊 嗎?";

// The dates the payment query needs, each "mm/dd/yyyy" or "".
struct QueryDates {
    std::string date_from;
    std::string date_to;
    std::string payday_from;
    std::string payday_to;
};

enum class CheckOutcome {
    Passed,         // the run goes on
    Failed,         // show `message` (OK only), move the focus to `focus`, stop
    NeedsQuestion,  // ask `message` with Yes/No; Yes goes on, No stops without a focus change
};

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::Failed;
    std::string message;
    FocusControl focus = FocusControl::None;
    // The merged-printing group check failed: the window chooses "選擇部分群組" (which
    // enables the group list). The snapshot's Opt_group1 is already cleared.
    bool select_opt_group2 = false;
    // Valid only when the outcome is not Failed.
    QueryDates dates;
};

// Runs the checks in their fixed order. The snapshot's grade, class, seat and
// student-number texts are trimmed in place, as far as the check got, and the caller
// writes them back to its fields whatever the outcome.
CheckResult Check_Text(FilterSnapshot& f);

// A masked pay date "yyy/mm/dd" (ROC year) as "mm/dd/yyyy"; nullopt when the result is
// not a valid month/day/year date. A partly typed year counts by its leading number
// ("10_" is year 10).
std::optional<std::string> payday_query_date(std::string_view masked);

}  // namespace zol
