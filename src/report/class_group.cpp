#include "report/class_group.h"

#include "core/big5.h"
#include "core/numbers.h"
#include "core/payment_codes.h"
#include "core/text.h"
#include "report/field_values.h"

namespace zol {

std::string method_label(std::string_view payway, std::string_view acctid2) {
    const PaywayCode* code = find_payway(payway);
    if (!code) return {};
    if (code->box == MethodBox::Transfer && !acctid2.empty()) {
        return std::string(kTransferFromAccountLabel);
    }
    return std::string(code->label);
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

namespace {

// Fields the writer reads, by name.
enum DetailField : std::size_t {
    kTranday,
    kGrpid,
    kGrpName,
    kGrade,
    kClsid,
    kStdid,
    kSeatno,
    kDelMark,
    kStdname,
    kFeeField,
    kPayway,  // selected as "preway": the payway code
    kAcctid2,
    kFlowNumber,
    kPayDay,
    kGradeName,
    kClsidName,
    kItemName,
    kItemAmt,
};
enum ItemField : std::size_t { kItemTranday, kItemGrpid, kItemGrade, kItemClsid, kItemItemName };

}  // namespace

ClassGroupReader::ClassGroupReader(RowSource& detail, ResultSet& items)
    : detail_(detail),
      items_(items),
      d_(detail, {"tranday", "Grpid", "GrpName", "grade", "Clsid", "stdid", "Seatno", "DelMark",
                  "Stdname", "Fee", "Preway", "acctid2", "flow_number", "payDay", "grade_name",
                  "clsid_name", "ItemName", "ItemAmt"}),
      i_(items, {"tranday", "Grpid", "grade", "Clsid", "ItemName"}) {}

GroupKey ClassGroupReader::detail_key() const {
    return GroupKey{whole_number(d_[kClsid]), whole_number(d_[kGrade]), whole_number(d_[kGrpid]),
                    date_key(d_[kTranday])};
}

void ClassGroupReader::load_items() {
    items_loaded_ = true;
    for (items_.move_first(); !items_.eof(); items_.move_next()) {
        GroupKey key{whole_number(i_[kItemClsid]), whole_number(i_[kItemGrade]),
                     whole_number(i_[kItemGrpid]), date_key(i_[kItemTranday])};
        first_item_row_.try_emplace(key, item_rows_.size());
        item_rows_.push_back({std::move(key), trimmed_text(i_[kItemItemName])});
    }
}

void ClassGroupReader::read_item_columns(WriterState& s) {
    if (!items_loaded_) load_items();
    const auto first = first_item_row_.find(s.key);
    if (first == first_item_row_.end()) return;
    for (std::size_t i = first->second; i < item_rows_.size() && item_rows_[i].key == s.key; ++i) {
        const std::string& name = item_rows_[i].name;
        if (find_item_column(s, name) == 0 && s.item_count < kMaxItemColumns) {
            add_item_column(s, name);
        }
    }
}

void ClassGroupReader::start_student_row(WriterState& s, int r) {
    s.row_table.resize(static_cast<std::size_t>(r) + 1);
    s.row_names.resize(static_cast<std::size_t>(r) + 1);
    s.item_table.resize(static_cast<std::size_t>(r) + 1);
    auto& row = s.row_table[static_cast<std::size_t>(r)];

    row[kGradeCode] = decimal_text(d_[kGrade]);
    row[kClass] = zero_pad(static_cast<long long>(whole_number(d_[kClsid])), 2);
    row[kSeat] = zero_pad(static_cast<long long>(whole_number(d_[kSeatno])), 2);
    row[kMarkAndName] = cat(d_[kDelMark].number() == 0 ? " " : "*", trimmed_text(d_[kStdname]));
    const std::string payway = trimmed_text(d_[kPayway]);
    row[kMethodLabel] = method_label(payway, trimmed_text(d_[kAcctid2]));
    const PaywayCode* code = find_payway(payway);
    row[kFee] = code && !code->fee_shown ? "0" : decimal_text(d_[kFeeField]);
    row[kSerial] = trimmed_text(d_[kFlowNumber]);
    const Value& pay_day = d_[kPayDay];
    if (auto d = date_of(pay_day)) {
        row[kDebitDate] = roc_padded(*d);
    } else {
        row[kDebitDate] = trimmed_text(pay_day);
    }

    auto& names = s.row_names[static_cast<std::size_t>(r)];
    names[0] = trimmed_text(d_[kGradeName]);
    names[1] = trimmed_text(d_[kClsidName]);
}

void ClassGroupReader::read(WriterState& s) {
    // 1. Key of the group; the student rows start afresh.
    s.key = detail_key();
    const Value& tranday = d_[kTranday];
    if (auto d = date_of(tranday)) {
        s.header_date = roc_header(*d);
    } else {
        s.header_date = trimmed_text(tranday);
    }
    s.group_name = trimmed_text(d_[kGrpName]);
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
        std::string id = trimmed_text(d_[kStdid]);
        if (id != previous_id || r == 0) {
            if (r > 0) {
                s.row_table[static_cast<std::size_t>(r)][kTotal] = std::to_string(running_total);
            }
            r = ++s.row_count;
            previous_id = std::move(id);
            start_student_row(s, r);
            running_total = whole_number(d_[kFeeField]);
        }

        const std::string name = trimmed_text(d_[kItemName]);
        int k = find_item_column(s, name);
        if (k == 0 && s.item_count < kNewColumnLimit) k = add_item_column(s, name);
        if (k != 0) {
            const Value& amount = d_[kItemAmt];
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
