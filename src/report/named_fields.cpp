#include "report/named_fields.h"

namespace zol {

NamedFields::NamedFields(const RowSource& rs, std::initializer_list<std::string_view> names)
    : rs_(rs) {
    for (std::string_view name : names) {
        names_.emplace_back(name);
        positions_.push_back(rs.position_of(name));
    }
}

}  // namespace zol
