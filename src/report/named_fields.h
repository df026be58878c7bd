// Fields of a result read by name, with each name looked up among the columns once:
// the same value as field(name) (first column whose name matches without regard to
// case), without comparing names on every row. A name that no column has is left to
// field(name), which reports it.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "data/result_set.h"

namespace zol {

class NamedFields {
  public:
    NamedFields(const RowSource& rs, std::initializer_list<std::string_view> names);

    const Value& operator[](std::size_t i) const {
        return positions_[i] == std::string_view::npos ? rs_.field(names_[i])
                                                       : rs_.field(positions_[i]);
    }

  private:
    const RowSource& rs_;
    std::vector<std::string> names_;
    std::vector<std::size_t> positions_;
};

}  // namespace zol
