#include "query/filter_snapshot.h"

namespace zol {

std::size_t ListBoxState::selected_count() const {
    std::size_t n = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (is_selected(i)) ++n;
    }
    return n;
}

const std::string& value_at(const std::vector<std::string>& values, long long index) {
    static const std::string empty;
    if (index < 0 || static_cast<unsigned long long>(index) >= values.size()) return empty;
    return values[static_cast<std::size_t>(index)];
}

}  // namespace zol
