// Everything one report run reads from the query window, taken at the moment the run
// starts. Fields are named after the controls they copy so the window fills them one by one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zol {

// The text a masked pay-date box shows when nothing has been typed.
inline constexpr const char* kEmptyPayday = "___/__/__";

// A multi-select list box: its entries and, at the same index, whether each is selected.
struct ListBoxState {
    std::vector<std::string> entries;
    std::vector<bool> selected;

    std::size_t count() const { return entries.size(); }
    // False for an index without a flag: a short flag vector never reads out of range.
    bool is_selected(std::size_t i) const { return i < selected.size() && selected[i]; }
    std::size_t selected_count() const;
};

// The controls that the filter check may point the user to.
enum class FocusControl {
    None,
    CBO_TranDay,
    CBO_TranDay2,
    Msk_payday1,
    Msk_payday2,
    CBO_Grade,
    CBO_ClsID,
    CBO_ClsID2,
    CBO_SeatNo1,
    CBO_SeatNo2,
    Lst_group,
    Lst_status,
};

// Defaults are the window's start state: every "全部" option chosen, all four payment-method
// boxes checked, merged printing off, empty pay-date masks.
struct FilterSnapshot {
    // Collection dates: the combo texts and their selected entry (-1: none, as when the
    // text was typed or shortened by hand rather than picked from the list).
    std::string CBO_TranDay;
    int CBO_TranDay_index = -1;
    std::string CBO_TranDay2;
    int CBO_TranDay2_index = -1;
    // "mm/dd/yyyy" behind each entry of both collection-date combos.
    std::vector<std::string> tranday_values;

    // Masked boxes as shown, "___/__/__" when untouched.
    std::string Msk_payday1 = kEmptyPayday;
    std::string Msk_payday2 = kEmptyPayday;

    std::string CBO_Grade;
    std::string CBO_ClsID;
    std::string CBO_ClsID2;
    std::string CBO_SeatNo1;
    std::string CBO_SeatNo2;
    std::string Txt_StdNo1;
    std::string Txt_StdNo2;
    std::string CBO_preway;
    std::string CBO_paystas;

    // Payment methods 轉帳, 臨櫃, 現金 and 全部(包含前三項); 班級合併列印.
    bool Chk_1 = true;
    bool Chk_2 = true;
    bool Chk_3 = true;
    bool Chk_4 = true;
    bool Chk_ALL = false;

    // Identity statuses: Opt1 "全部", Opt2 "選擇部分身分".
    bool Opt1 = true;
    bool Opt2 = false;
    // Groups and fee items: true while "全部" is chosen.
    bool Opt_group1 = true;
    bool Opt_item1 = true;

    ListBoxState Lst_status;
    ListBoxState Lst_group;
    ListBoxState Lst_item;
    // The id behind each list entry, same index.
    std::vector<std::string> status_codes;
    std::vector<std::string> group_ids;
    std::vector<std::string> item_ids;

    // True for a run from 預覽列印, false for 列印.
    bool preview_mode = true;
};

// The entry of a value array at an index, "" when the index lies outside it.
const std::string& value_at(const std::vector<std::string>& values, long long index);

}  // namespace zol
