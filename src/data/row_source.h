// Rows read forward only: what a writer walking a large result needs, and all it may use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace zol {

class RowSource {
  public:
    virtual ~RowSource() = default;
    // True once the position has moved past the last row, and at once for no rows.
    virtual bool eof() const = 0;
    virtual void move_next() = 0;
    virtual const std::vector<std::string>& columns() const = 0;
    // Field of the current row; throws DbError at the end of the rows or for an unknown
    // position or name. The value belongs to the current row: read it before moving on.
    const Value& field(std::size_t position) const;
    const Value& field(std::string_view name) const;
    // The first column of that name, compared without regard to case; npos when none has it.
    std::size_t position_of(std::string_view name) const;

  protected:
    // The current row's value at a position below columns().size(), before the end.
    virtual const Value& cell(std::size_t position) const = 0;
};

}  // namespace zol
