#include "query/filter_lists.h"

#include <algorithm>
#include <exception>

#include "query/list_queries.h"

namespace zol {

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

// The index of a collection date among the list's entries, or -1.
int entry_index(const std::vector<std::string>& entries, const std::string& text) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == text) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::string fill_filters(const FilterChoices& o, DataControl& ado_cbo, FilterSnapshot& f) {
    load_status_list(ado_cbo, f);
    const std::vector<std::string> dates = load_tranday_list(ado_cbo, f);
    // An empty value is the empty box: the check then asks for a date (or takes no end date).
    if (o.tranday && !o.tranday->empty()) {
        f.CBO_TranDay_index = entry_index(dates, *o.tranday);
        if (f.CBO_TranDay_index < 0) return "收款日期 " + *o.tranday + " 不在收款日期清單中";
        f.CBO_TranDay = *o.tranday;
    }
    if (o.tranday2 && !o.tranday2->empty()) {
        f.CBO_TranDay2_index = entry_index(dates, *o.tranday2);
        if (f.CBO_TranDay2_index < 0) return "收款日期 " + *o.tranday2 + " 不在收款日期清單中";
        f.CBO_TranDay2 = *o.tranday2;
    }
    if (o.payday1) f.Msk_payday1 = masked_box_text(*o.payday1);
    if (o.payday2) f.Msk_payday2 = masked_box_text(*o.payday2);

    f.CBO_Grade = o.grade;
    f.CBO_ClsID = o.class1;
    f.CBO_ClsID2 = o.class2;
    f.CBO_SeatNo1 = o.seat1;
    f.CBO_SeatNo2 = o.seat2;
    f.Txt_StdNo1 = o.stdno1;
    f.Txt_StdNo2 = o.stdno2;
    f.CBO_preway = o.preway;
    f.CBO_paystas = o.paystas;
    f.Chk_ALL = o.merged;

    if (o.methods) {
        f.Chk_1 = f.Chk_2 = f.Chk_3 = false;
        f.Chk_4 = false;
        for (const std::string& m : *o.methods) {
            if (m == "1") {
                f.Chk_1 = true;
            } else if (m == "2") {
                f.Chk_2 = true;
            } else if (m == "3") {
                f.Chk_3 = true;
            } else {
                return "繳費方式只能是 1(轉帳)、2(臨櫃)、3(現金): " + m;
            }
        }
    }

    const std::exception_ptr group_error = load_group_list(ado_cbo, f);
    if (o.groups) {
        f.Opt_group1 = false;
        if (const auto bad = select_ids(f.Lst_group, f.group_ids, *o.groups)) {
            // A list that could not be read (a damaged file) is the reason, not the group.
            if (group_error) std::rethrow_exception(group_error);
            return "繳費群組 " + *bad + " 不在群組清單中";
        }
    }
    load_item_list(ado_cbo, f);
    if (o.items) {
        f.Opt_item1 = false;
        if (const auto bad = select_ids(f.Lst_item, f.item_ids, *o.items)) {
            return "繳費項目 " + *bad + " 不在項目清單中";
        }
    }
    if (o.statuses) {
        f.Opt1 = false;
        f.Opt2 = true;
        if (const auto bad = select_ids(f.Lst_status, f.status_codes, *o.statuses)) {
            return "身分別 " + *bad + " 不在身分別清單中";
        }
    }
    return "";
}

std::string masked_box_text(std::string_view typed) {
    std::string box = "___/__/__";
    std::size_t pos = 0;
    for (char c : typed) {
        if (pos >= box.size()) break;
        if (c < '0' || c > '9') continue;
        if (box[pos] == '/') ++pos;
        box[pos++] = c;
    }
    return box;
}

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

}  // namespace zol
