// One opened result: rows read forward (and back to the first), fields by position or name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace zol {

class ResultSet {
public:
    ResultSet() = default;
    ResultSet(std::vector<std::string> columns, std::vector<std::vector<Value>> rows);

    bool eof() const { return pos_ >= rows_.size(); }
    std::size_t row_count() const { return rows_.size(); }
    void move_first() { pos_ = 0; }
    void move_next() {
        if (pos_ < rows_.size()) ++pos_;
    }

    const std::vector<std::string>& columns() const { return columns_; }
    // Field of the current row; throws DbError at the end of the rows or for an
    // unknown position or name. Names are compared without regard to case.
    const Value& field(std::size_t position) const;
    const Value& field(std::string_view name) const;

private:
    std::vector<std::string> columns_;
    std::vector<std::vector<Value>> rows_;
    std::size_t pos_ = 0;
};

}  // namespace zol
