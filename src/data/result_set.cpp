#include "data/result_set.h"

#include <utility>

#include "core/text.h"
#include "data/db_error.h"

namespace zol {

ResultSet::ResultSet(std::vector<std::string> columns, std::vector<std::vector<Value>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

const Value& ResultSet::field(std::size_t position) const {
    if (eof()) throw DbError({}, "已超過資料的最後一筆 (BOF 或 EOF)，無法讀取欄位");
    if (position >= columns_.size())
        throw DbError({}, "找不到欄位位置 " + std::to_string(position));
    return rows_[pos_][position];
}

const Value& ResultSet::field(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (iequals(columns_[i], name)) return field(i);
    }
    throw DbError({}, "找不到欄位名稱 " + std::string(name));
}

}  // namespace zol
