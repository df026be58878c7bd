#include "query/check_text.h"

#include <cmath>

#include "core/date.h"
#include "core/numbers.h"
#include "core/text.h"

namespace zol {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
int two_digits(std::string_view s) {
    return (s[0] - '0') * 10 + (s[1] - '0');
}

CheckResult failed(CheckResult r, const char* message, FocusControl focus) {
    r.outcome = CheckOutcome::Failed;
    r.message = message;
    r.focus = focus;
    return r;
}

// The value behind a combo's chosen entry; nullopt when nothing usable was chosen.
std::optional<std::string> chosen_tranday(const FilterSnapshot& f, int index) {
    const std::string& v = value_at(f.tranday_values, index);
    if (v.empty()) return std::nullopt;
    return v;
}

// "" for an untouched box; nullopt for a typed text that is not a valid date. An empty
// text (a box that reports no prompt characters) is taken as untouched too.
std::optional<std::string> payday_of(const std::string& masked) {
    if (masked == kEmptyPayday || masked.empty()) return std::string();
    return payday_query_date(masked);
}

void trim_in_place(std::string& s) {
    s = trim(s);
}

}  // namespace

std::optional<std::string> payday_query_date(std::string_view t) {
    // The mask holds only digits, "/" and "_"; anything else cannot make a date.
    for (char c : t) {
        if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
    }
    const double year = western_year(t.substr(0, 3));
    if (t.size() < 9) return std::nullopt;
    const std::string_view md = t.substr(4, 5);
    if (!is_digit(md[0]) || !is_digit(md[1]) || md[2] != '/' || !is_digit(md[3]) ||
        !is_digit(md[4])) {
        return std::nullopt;
    }
    if (!std::isfinite(year) || year != std::floor(year) || year < 100 || year > 9999) {
        return std::nullopt;
    }
    const int month = two_digits(md.substr(0, 2));
    const int day = two_digits(md.substr(3, 2));
    if (!is_valid_date(static_cast<int>(year), month, day)) return std::nullopt;
    return std::string(md) + "/" + number_text(year);
}

CheckResult Check_Text(FilterSnapshot& f) {
    CheckResult r;

    // A hand-typed collection date has no value behind it and counts as missing.
    if (f.CBO_TranDay.empty()) return failed(r, kMsgTranDayRequired, FocusControl::CBO_TranDay);
    const auto from = chosen_tranday(f, f.CBO_TranDay_index);
    if (!from) return failed(r, kMsgTranDayRequired, FocusControl::CBO_TranDay);
    r.dates.date_from = *from;

    if (f.CBO_TranDay2.empty()) {
        r.dates.date_to.clear();
    } else {
        const auto to = chosen_tranday(f, f.CBO_TranDay2_index);
        if (!to) return failed(r, kMsgTranDay2NotInList, FocusControl::CBO_TranDay2);
        r.dates.date_to = *to;
    }

    const auto pay_from = payday_of(f.Msk_payday1);
    if (!pay_from) return failed(r, kMsgDateError, FocusControl::Msk_payday1);
    r.dates.payday_from = *pay_from;
    const auto pay_to = payday_of(f.Msk_payday2);
    if (!pay_to) return failed(r, kMsgDateError, FocusControl::Msk_payday2);
    r.dates.payday_to = *pay_to;

    trim_in_place(f.CBO_Grade);
    trim_in_place(f.CBO_ClsID);
    trim_in_place(f.CBO_ClsID2);
    trim_in_place(f.CBO_SeatNo1);

    if (f.Chk_ALL) {
        if (!r.dates.date_to.empty() && r.dates.date_to != r.dates.date_from) {
            return failed(r, kMsgMergedOneDate, FocusControl::CBO_TranDay2);
        }
        // Only the selection in the list counts here, whichever group option is set.
        if (f.Lst_group.count() >= 2 && f.Lst_group.selected_count() != 1) {
            f.Opt_group1 = false;
            r.select_opt_group2 = true;
            return failed(r, kMsgMergedOneGroup, FocusControl::Lst_group);
        }
    }

    trim_in_place(f.CBO_SeatNo2);
    trim_in_place(f.Txt_StdNo1);
    trim_in_place(f.Txt_StdNo2);

    r.outcome = CheckOutcome::Passed;
    if (f.preview_mode) return r;

    const bool no_student_filter = f.CBO_Grade.empty() && f.CBO_ClsID.empty() &&
                                   f.CBO_ClsID2.empty() && f.CBO_SeatNo1.empty() &&
                                   f.CBO_SeatNo2.empty() && f.Txt_StdNo1.empty() &&
                                   f.Txt_StdNo2.empty();
    if (no_student_filter) {
        r.outcome = CheckOutcome::NeedsQuestion;
        r.message = kWholeSchoolQuestion;
    }
    return r;
}

}  // namespace zol
