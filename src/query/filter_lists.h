// The window's pick lists, loaded for a run without a window (the command line, the web
// pages) with the same statements on Ado_CBO, and the choices made among their entries.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/data_control.h"
#include "query/filter_snapshot.h"

namespace zol {

// The collection-date list: entry texts ("095/03/15"); the values go to f.tranday_values.
std::vector<std::string> load_tranday_list(DataControl& ado_cbo, FilterSnapshot& f);
// The groups of the snapshot's collection dates, none selected, "全部" chosen. Like the
// window's loader, a failing statement leaves the list empty; its error is returned, for a
// caller that must say why a group it was asked for is missing.
std::exception_ptr load_group_list(DataControl& ado_cbo, FilterSnapshot& f);
// All fee items in use, all selected, "全部" chosen.
void load_item_list(DataControl& ado_cbo, FilterSnapshot& f);
// All identity statuses, all selected, "全部" chosen.
void load_status_list(DataControl& ado_cbo, FilterSnapshot& f);

// Selects exactly the entries whose ids are given (list order is kept whatever the order
// given); returns the first id that is no entry of the list, if any.
std::optional<std::string> select_ids(ListBoxState& list, const std::vector<std::string>& ids,
                                      const std::vector<std::string>& wanted);

// The query window's fields as a front end without the window gives them: texts as typed,
// list choices as the ids of the entries chosen.
struct FilterChoices {
    // A collection date: the list text "095/03/15"; empty or absent is the empty box.
    std::optional<std::string> tranday;
    std::optional<std::string> tranday2;
    // A pay date as typed into the masked box ("1150301" or "115/03/01").
    std::optional<std::string> payday1;
    std::optional<std::string> payday2;
    std::string grade, class1, class2, seat1, seat2, stdno1, stdno2, preway, paystas;
    // Absent: 全部. Present: the boxes 轉帳/臨櫃/現金 given ("1", "2", "3").
    std::optional<std::vector<std::string>> methods;
    // Absent: 全部. Present: the partial option with these ids selected.
    std::optional<std::vector<std::string>> groups;
    std::optional<std::vector<std::string>> items;
    std::optional<std::vector<std::string>> statuses;
    bool merged = false;
};

// Loads the lists into `f` and fills its fields from `c`, as a clerk would have set them in
// the window; "" when all went well, else the message of the refused choice (a date or an id
// that no list holds). Database errors are let through.
std::string fill_filters(const FilterChoices& c, DataControl& ado_cbo, FilterSnapshot& f);

// A pay date as typed into the masked box "###/##/##": its digits fill the positions in
// turn, anything else is refused, what is left shows "_" ("10" -> "10_/__/__").
std::string masked_box_text(std::string_view typed);

}  // namespace zol
