#include "app/zol5300/report_lists.h"

#include <algorithm>
#include <exception>

#include "query/list_queries.h"

namespace zol::app {

namespace {

ResultSet& run_list(DataControl& ado_cbo, const std::string& sql) {
    ado_cbo.set_record_source(sql);
    ado_cbo.refresh();
    return ado_cbo.result();
}

// The list's entries, all selected or none, with their ids beside them.
void fill_list(PickList which, ResultSet& rows, bool selected, ListBoxState& list,
               std::vector<std::string>& ids) {
    list = ListBoxState{};
    ids.clear();
    for (PickEntry& e : read_pick_list(which, rows)) {
        list.entries.push_back(std::move(e.text));
        list.selected.push_back(selected);
        ids.push_back(std::move(e.id));
    }
}

}  // namespace

std::vector<std::string> load_tranday_list(DataControl& ado_cbo, FilterSnapshot& f) {
    std::vector<std::string> texts;
    f.tranday_values.clear();
    for (PickEntry& e :
         read_pick_list(PickList::TranDay, run_list(ado_cbo, insert_CBO_TranDay_sql()))) {
        texts.push_back(std::move(e.text));
        f.tranday_values.push_back(std::move(e.id));
    }
    return texts;
}

std::exception_ptr load_group_list(DataControl& ado_cbo, FilterSnapshot& f) {
    try {
        ResultSet& rows = run_list(ado_cbo, insert_group_sql(f.CBO_TranDay, f.CBO_TranDay2));
        fill_list(PickList::Group, rows, false, f.Lst_group, f.group_ids);
        f.Opt_group1 = true;
        return nullptr;
    } catch (const std::exception&) {
        f.Lst_group = ListBoxState{};
        return std::current_exception();
    }
}

void load_item_list(DataControl& ado_cbo, FilterSnapshot& f) {
    fill_list(PickList::Item, run_list(ado_cbo, insert_item_sql()), true, f.Lst_item, f.item_ids);
    f.Opt_item1 = true;
}

void load_status_list(DataControl& ado_cbo, FilterSnapshot& f) {
    fill_list(PickList::Status, run_list(ado_cbo, status_list_sql()), true, f.Lst_status,
              f.status_codes);
    f.Opt1 = true;
    f.Opt2 = false;
}

std::optional<std::string> select_ids(ListBoxState& list, const std::vector<std::string>& ids,
                                      const std::vector<std::string>& wanted) {
    for (const std::string& w : wanted) {
        if (std::find(ids.begin(), ids.end(), w) == ids.end()) return w;
    }
    list.selected.assign(list.entries.size(), false);
    for (std::size_t i = 0; i < list.entries.size() && i < ids.size(); ++i) {
        list.selected[i] = std::find(wanted.begin(), wanted.end(), ids[i]) != wanted.end();
    }
    return std::nullopt;
}

}  // namespace zol::app
