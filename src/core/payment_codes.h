// How a payment was made: the codes of the payment table's method columns, in one table
// that the query's method condition, the detail line and the sample school all read.
//
// ZOL8_Payment holds two columns with these codes:
// - preway: the method the student was signed up for before the collection, only 1 (轉帳)
//   or 2 (臨櫃); the window's box CBO_preway filters on it (B.preway in the statement);
// - payway: the method the payment was actually made with, any code below.
// The detail statement selects B.payway under the name "preway" ("B.payway As preway"),
// so a detail field named preway holds the payway code; the report shows that one.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zol {

// The three method boxes of the query window, numbered as `zol5300 report --methods` takes
// them; a box selects every payway code filed under it.
enum class MethodBox { Transfer = 1, Counter = 2, Cash = 3 };

struct PaywayCode {
    std::string_view code;   // as stored: a one-character text
    std::string_view label;  // the detail line's method column (7 columns wide at the most)
    MethodBox box;           // the method box that selects it
    bool fee_shown;          // false: the detail line shows fee 0 whatever Fee holds
};

// Every payway code in code order. 1 is the postal account transfer and 3 cash; 2 and 4
// to 7 are paid at a counter or machine and so come under 臨櫃: 2 a counter, 4 ATM (its
// line shows no fee), 5 internet ATM, 6 convenience store, 7 another counter (no label of
// its own).
inline constexpr std::array<PaywayCode, 7> kPaywayCodes = {{
    {"1", " 轉帳", MethodBox::Transfer, true},
    {"2", " 臨櫃", MethodBox::Counter, true},
    {"3", " 現金", MethodBox::Cash, true},
    {"4", " ATM", MethodBox::Counter, false},
    {"5", "網路ATM", MethodBox::Counter, true},
    {"6", " 超商", MethodBox::Counter, true},
    {"7", "", MethodBox::Counter, true},
}};

// A transfer from an account on record (a non-empty acctid) is labelled so.
inline constexpr std::string_view kTransferFromAccountLabel = "#轉帳";

// The entry of a payway code; nullptr for a code outside the table.
const PaywayCode* find_payway(std::string_view code);

// The codes a method box selects, in code order, joined by `separator`.
std::string payway_codes_of(MethodBox box, std::string_view separator);

// The entries of the box CBO_preway and the preway code each one selects.
struct PrewayChoice {
    const char* name;
    std::string_view code;
};
inline constexpr std::array<PrewayChoice, 2> kPrewayChoices = {{{"轉帳", "1"}, {"臨櫃", "2"}}};

}  // namespace zol
