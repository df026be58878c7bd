// The query window's captions and tab order, read by every front end that shows the window's
// fields (the desktop window and the web pages), so that both say the same and move alike.
#pragma once

#include <array>
#include <string_view>

namespace zol::fields {

inline constexpr const char* kFrame = "程式代號 ZOL5300";
inline constexpr const char* kProgramLabel = "程式名稱";
inline constexpr const char* kProgramName = "繳費明細表列印";
inline constexpr const char* kTranDay = "收款日期";
inline constexpr const char* kPayday = "實(扣)繳日期";
inline constexpr const char* kGrade = "年級別";
inline constexpr const char* kClass = "班別";
inline constexpr const char* kSeat = "座號";
inline constexpr const char* kStdNo = "學號";
inline constexpr const char* kTo = "至";
inline constexpr const char* kMethods = "繳費方式";
inline constexpr const char* kPaystas = "繳費狀況";
inline constexpr const char* kPreway = "預繳方式";
inline constexpr const char* kStatuses = " 所  有  身  分  別";
inline constexpr const char* kGroups = "繳 費 群 組";
inline constexpr const char* kItems = "繳 費 項 目";
inline constexpr const char* kGroupBox = "繳費群組";
inline constexpr const char* kAll = "全部";
inline constexpr const char* kSomeStatuses = "選擇部分身分";
inline constexpr const char* kSomeGroups = "選擇部分群組";
inline constexpr const char* kSomeItems = "選擇部分項目";
inline constexpr const char* kTransfer = "轉帳";
inline constexpr const char* kCounter = "臨櫃";
inline constexpr const char* kCash = "現金";
inline constexpr const char* kAllMethods = "全部(包含前三項)";
inline constexpr const char* kMerged = "班級合併列印";
inline constexpr const char* kPrint = "列印 P";
inline constexpr const char* kPreprint = "預覽列印 Z";
inline constexpr const char* kExit = "離開 E";
inline constexpr const char* kClear = "清除 X";
// The seat limit of a seat box's text.
inline constexpr const char* kMsgSeatLimit = "座號必須小於255";
inline constexpr int kSeatLimit = 255;

// The controls in the order Tab (and Enter, where it moves on) goes through them.
inline constexpr std::array<std::string_view, 32> kTabOrder = {
    "CBO_TranDay", "CBO_GrpID",   "CBO_Grade",  "CBO_ClsID",    "CBO_SeatNo1", "CBO_SeatNo2",
    "Txt_StdNo1",  "Txt_StdNo2",  "Cmd_print",  "Cmd_preprint", "Cmd_exit",    "CBO_TranDay2",
    "Msk_payday1", "Msk_payday2", "CBO_ClsID2", "Chk_4",        "Chk_3",       "Chk_2",
    "Chk_1",       "CBO_paystas", "Opt2",       "Opt1",         "Lst_status",  "Cmd_clear",
    "Opt_group2",  "Opt_group1",  "Lst_group",  "Lst_item",     "Opt_item1",   "Opt_item2",
    "CBO_preway",  "Chk_ALL"};

// What a field does with a typed character: Enter moves the focus on as Tab would (after
// the filter let it through); a pick-only field takes its value from its list alone; a digit
// field takes digits from `lowest_digit` to 9 while its whole text is shorter than
// `max_length`. Enter, Backspace and Tab always pass.
enum class KeyFilter { None, PickOnly, Digits };
struct KeyRule {
    std::string_view field;
    KeyFilter filter = KeyFilter::None;
    char lowest_digit = '0';
    int max_length = 0;
};
inline constexpr std::array<KeyRule, 11> kKeyRules = {{
    {"CBO_TranDay", KeyFilter::PickOnly},
    {"CBO_TranDay2", KeyFilter::PickOnly},
    {"CBO_GrpID", KeyFilter::PickOnly},
    {"CBO_Grade", KeyFilter::Digits, '1', 1},
    {"CBO_ClsID", KeyFilter::Digits, '0', 2},
    {"CBO_SeatNo1", KeyFilter::Digits, '0', 3},
    {"CBO_SeatNo2", KeyFilter::Digits, '0', 3},
    {"Txt_StdNo1"},
    {"Txt_StdNo2"},
    {"Msk_payday1"},
    {"Msk_payday2"},
}};

// The rule of a field; none for a field whose keys are its own (Enter does not move on).
constexpr const KeyRule* key_rule(std::string_view field) {
    for (const KeyRule& r : kKeyRules)
        if (r.field == field) return &r;
    return nullptr;
}

}  // namespace zol::fields
