#include "report/class_group.h"

#include "core/big5.h"
#include "core/numbers.h"
#include "report/field_values.h"

namespace zol {

std::string method_label(std::string_view preway, std::string_view acctid2) {
    if (preway == "1") return acctid2.empty() ? " 轉帳" : "#轉帳";
    if (preway == "2") return " 臨櫃";
    if (preway == "3") return " 現金";
    if (preway == "4") return " ATM";
    if (preway == "5") return "網路ATM";
    if (preway == "6") return " 超商";
    return {};
}

int find_item_column(const WriterState& s, std::string_view name) {
    for (int k = 1; k <= s.item_count; ++k) {
        if (s.item_table[0][static_cast<std::size_t>(k)] == name) return k;
    }
    return 0;
}

int add_item_column(WriterState& s, std::string name) {
    const int k = ++s.item_count;
    s.item_info[static_cast<std::size_t>(k)].width = display_width(name);
    s.item_table[0][static_cast<std::size_t>(k)] = std::move(name);
    return k;
}

GroupKey ClassGroupReader::detail_key() const {
    return GroupKey{date_key(detail_.field("tranday")), whole_number(detail_.field("Grpid")),
                    whole_number(detail_.field("grade")), whole_number(detail_.field("Clsid"))};
}

const GroupKey& ClassGroupReader::item_key(std::size_t index) {
    if (index >= item_keys_.size()) {
        item_keys_.push_back(
            GroupKey{date_key(items_.field("tranday")), whole_number(items_.field("Grpid")),
                     whole_number(items_.field("grade")), whole_number(items_.field("Clsid"))});
    }
    return item_keys_[index];
}

void ClassGroupReader::read_item_columns(WriterState& s) {
    items_.move_first();
    std::size_t index = 0;
    while (!items_.eof() && !(item_key(index) == s.key)) {
        items_.move_next();
        ++index;
    }
    while (!items_.eof() && item_key(index) == s.key) {
        std::string name = trimmed_text(items_.field("ItemName"));
        if (find_item_column(s, name) == 0 && s.item_count < kMaxItemColumns) {
            add_item_column(s, std::move(name));
        }
        items_.move_next();
        ++index;
    }
}

void ClassGroupReader::start_student_row(WriterState& s, int r) {
    s.row_table.resize(static_cast<std::size_t>(r) + 1);
    s.row_names.resize(static_cast<std::size_t>(r) + 1);
    s.item_table.resize(static_cast<std::size_t>(r) + 1);
    auto& row = s.row_table[static_cast<std::size_t>(r)];

    row[kGradeCode] = decimal_text(detail_.field("grade"));
    row[kClass] = zero_pad(static_cast<long long>(whole_number(detail_.field("Clsid"))), 2);
    row[kSeat] = zero_pad(static_cast<long long>(whole_number(detail_.field("Seatno"))), 2);
    row[kMarkAndName] = (detail_.field("DelMark").number() == 0 ? " " : "*") +
                        trimmed_text(detail_.field("Stdname"));
    const std::string preway = trimmed_text(detail_.field("Preway"));
    row[kMethodLabel] = method_label(preway, trimmed_text(detail_.field("acctid2")));
    row[kFee] = preway == "4" ? "0" : decimal_text(detail_.field("Fee"));
    row[kSerial] = trimmed_text(detail_.field("flow_number"));
    const Value& pay_day = detail_.field("payDay");
    if (auto d = date_of(pay_day)) {
        row[kDebitDate] = roc_padded(*d);
    } else {
        row[kDebitDate] = trimmed_text(pay_day);
    }

    auto& names = s.row_names[static_cast<std::size_t>(r)];
    names[0] = trimmed_text(detail_.field("grade_name"));
    names[1] = trimmed_text(detail_.field("clsid_name"));
}

void ClassGroupReader::read(WriterState& s) {
    // 1. Key of the group; the student rows start afresh.
    s.key = detail_key();
    const Value& tranday = detail_.field("tranday");
    if (auto d = date_of(tranday)) {
        s.header_date = roc_header(*d);
    } else {
        s.header_date = trimmed_text(tranday);
    }
    s.group_name = trimmed_text(detail_.field("GrpName"));
    s.row_table.assign(1, {});
    s.row_count = 0;

    // 2. Per-class mode: the item columns and their sums start afresh. In merged mode the
    // columns run on, but the amounts of the students before never reach the new rows.
    if (!s.merged) {
        s.item_count = 0;
        s.item_table.assign(1, {});
        s.row_names.assign(1, {});
        s.item_info.fill(ItemInfo{});
    } else {
        s.item_table.resize(1);
    }

    // 3. Item columns of the group, in item id order.
    read_item_columns(s);

    // 4. One row per student.
    std::string previous_id;
    std::int64_t running_total = 0;
    int r = 0;
    while (!detail_.eof() && detail_key() == s.key) {
        std::string id = trimmed_text(detail_.field("stdid"));
        if (id != previous_id || r == 0) {
            if (r > 0) {
                s.row_table[static_cast<std::size_t>(r)][kTotal] = std::to_string(running_total);
            }
            r = ++s.row_count;
            previous_id = std::move(id);
            start_student_row(s, r);
            running_total = whole_number(detail_.field("Fee"));
        }

        const std::string name = trimmed_text(detail_.field("ItemName"));
        int k = find_item_column(s, name);
        if (k == 0 && s.item_count < kNewColumnLimit) k = add_item_column(s, name);
        if (k != 0) {
            const Value& amount = detail_.field("ItemAmt");
            s.item_table[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] =
                decimal_text(amount);
            running_total = whole_number(static_cast<double>(running_total) + amount.number());
        }
        detail_.move_next();
    }

    // 5. The last student's total.
    if (r > 0) s.row_table[static_cast<std::size_t>(r)][kTotal] = std::to_string(running_total);
}

}  // namespace zol
