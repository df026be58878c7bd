// Reads one class group of the detail rows into the writer's tables: its key, its item
// columns (from the item rows, then from the payment rows), and one row per student.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/result_set.h"
#include "report/named_fields.h"
#include "report/writer_state.h"

namespace zol {

// Payment method label of a detail line for its payway code (core/payment_codes.h); "" for
// a code outside the table.
std::string method_label(std::string_view payway, std::string_view acctid2);

// Column of an item name among columns 1..item_count (first match), or 0.
int find_item_column(const WriterState& s, std::string_view name);
// Opens column item_count + 1 for the name.
int add_item_column(WriterState& s, std::string name);

class ClassGroupReader {
  public:
    ClassGroupReader(RowSource& detail, ResultSet& items);

    // Reads the group the detail rows stand on; afterwards they stand on the first row
    // of the next group, or at their end.
    void read(WriterState& s);

  private:
    GroupKey detail_key() const;
    // The item rows never change during a run: they are read once, and the first row of
    // each key is remembered, so that finding a group's rows does not walk all the rows
    // before them again for every group.
    void load_items();
    void read_item_columns(WriterState& s);
    void start_student_row(WriterState& s, int r);

    RowSource& detail_;
    ResultSet& items_;
    NamedFields d_;  // detail fields, by the names below
    NamedFields i_;  // item fields
    struct ItemRow {
        GroupKey key;
        std::string name;
    };
    bool items_loaded_ = false;
    std::vector<ItemRow> item_rows_;
    std::unordered_map<GroupKey, std::size_t, GroupKeyHash> first_item_row_;
};

}  // namespace zol
