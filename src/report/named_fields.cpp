#include "report/named_fields.h"

#include "core/text.h"

namespace zol {

NamedFields::NamedFields(const RowSource& rs, std::initializer_list<std::string_view> names)
    : rs_(rs) {
    const auto& columns = rs.columns();
    for (std::string_view name : names) {
        std::size_t pos = kMissing;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (iequals(columns[i], name)) {
                pos = i;
                break;
            }
        }
        names_.emplace_back(name);
        positions_.push_back(pos);
    }
}

}  // namespace zol
