#include "data/row_source.h"

#include "core/text.h"
#include "data/db_error.h"

namespace zol {

const Value& RowSource::field(std::size_t position) const {
    if (eof()) throw DbError({}, "已超過資料的最後一筆 (BOF 或 EOF)，無法讀取欄位");
    if (position >= columns().size()) {
        throw DbError({}, "找不到欄位位置 " + std::to_string(position));
    }
    return cell(position);
}

const Value& RowSource::field(std::string_view name) const {
    const std::size_t position = position_of(name);
    if (position == std::string_view::npos) {
        throw DbError({}, "找不到欄位名稱 " + std::string(name));
    }
    return field(position);
}

std::size_t RowSource::position_of(std::string_view name) const {
    const auto& names = columns();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (iequals(names[i], name)) return i;
    }
    return std::string_view::npos;
}

}  // namespace zol
