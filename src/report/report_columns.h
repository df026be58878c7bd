// The columns of the report's body, left to right: what the caption line and the workbook
// call each, how many display columns it takes on a detail line, how it is aligned and
// which field of a row it shows. The page header, the detail, second and totals lines and
// the workbook all read this table, so a column is widened or added here alone.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "report/writer_state.h"

namespace zol {

enum class Align { Left, Right };

// A column before the item columns.
struct LeadColumn {
    std::string_view caption;  // on the caption line, with the blanks that follow it
    std::string_view title;    // the workbook's caption
    int width;                 // display columns on a detail line
    Align align;
    RowField field;
};

inline constexpr std::array<LeadColumn, 7> kLeadColumns{{
    // The grade's five columns hold its label (grade_label).
    {"年   ", "年", 5, Align::Left, kGradeCode},
    {"班 ", "班", 5, Align::Left, kClass},
    {"座號  ", "座號", 3, Align::Left, kSeat},
    {"學生姓名  ", "學生姓名", 15, Align::Left, kMarkAndName},
    // Its five digits, zero-padded, leave the sixth column to the name when there is none.
    {"電腦流水號  ", "電腦流水號", 6, Align::Left, kSerial},
    {"繳款方式  ", "繳款方式", 10, Align::Right, kMethodLabel},
    {"手續費  ", "手續費", 8, Align::Right, kFee},
}};
enum LeadColumnIndex {
    kGradeColumn,
    kClassColumn,
    kSeatColumn,
    kNameColumn,
    kSerialColumn,
    kMethodColumn,
    kFeeColumn
};
inline constexpr int kSeatDigits = 2;  // the seat's width leaves a blank after them
inline constexpr int kSerialDigits = 5;

// What the page header and the workbook call the class group's date and payment group.
inline constexpr std::string_view kDateTitle = "收款日期";
inline constexpr std::string_view kGroupTitle = "繳費群組";

// Amounts, right-aligned with thousands separators: each item column, and the total.
inline constexpr int kItemWidth = 10;
inline constexpr int kTotalWidth = 12;
inline constexpr std::string_view kTotalTitle = "收款總金額";
// The debit date follows the total after a gap.
inline constexpr std::string_view kDebitGap = "  ";
inline constexpr std::string_view kDebitTitle = "實扣日期";

// Where a detail line's first item column begins: after the lead columns.
constexpr int lead_width() {
    int width = 0;
    for (const LeadColumn& c : kLeadColumns) width += c.width;
    return width;
}
inline constexpr int kItemsAt = lead_width();
// Second lines (a detail's or a totals line's items from the ninth on) and totals lines
// start their items two columns further left than a detail's first line.
inline constexpr int kSecondItemsAt = kItemsAt - 2;
inline constexpr int kTotalsItemsAt = kItemsAt - 2;
// A totals line's fee sum, which ends where its items begin.
inline constexpr int kFeeSumWidth = 9;

// The caption line's text before the item columns.
std::string lead_caption();

}  // namespace zol
