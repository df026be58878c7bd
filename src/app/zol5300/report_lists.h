// The window's pick lists, loaded for a run without a window with the same statements
// on Ado_CBO, and the command line's choices made among their entries.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "data/data_control.h"
#include "query/filter_snapshot.h"

namespace zol::app {

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

}  // namespace zol::app
