// One opened result: rows read forward (and back to the first), fields by position or name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/row_source.h"
#include "data/value.h"

namespace zol {

class ResultSet final : public RowSource {
  public:
    ResultSet() = default;
    ResultSet(std::vector<std::string> columns, std::vector<std::vector<Value>> rows);
    // An empty result with these columns, filled row by row with the append calls.
    explicit ResultSet(std::vector<std::string> columns);

    bool eof() const override { return pos_ >= row_count_; }
    std::size_t row_count() const { return row_count_; }
    void move_first() { pos_ = 0; }
    void move_next() override {
        if (pos_ < row_count_) ++pos_;
    }

    const std::vector<std::string>& columns() const override { return columns_; }

    // Filling: one value per column, then end_row().
    void append_null();
    void append_integer(std::int64_t v);
    void append_real(double v);
    void append_text(std::string_view v);
    void append_date(const DateTime& v);
    void append(const Value& v);
    void end_row();

  private:
    const Value& cell(std::size_t position) const override { return current_row()[position]; }

    // Rows are kept compact (a report can hold hundreds of thousands of them): per cell
    // one kind byte and eight bytes of payload, in fixed-size blocks that never move;
    // texts lie in large shared blocks. The current row becomes values when first read.
    enum class Kind : std::uint8_t { Null, Integer, Real, Text, LongText, Date };
    static constexpr std::size_t kBlockCells = std::size_t{1} << 15;
    static constexpr std::size_t kTextBlock = std::size_t{1} << 20;

    void push(Kind kind, std::uint64_t payload);
    Value value_of(std::size_t cell) const;
    const std::vector<Value>& current_row() const;

    std::vector<std::string> columns_;
    std::vector<std::vector<Kind>> kinds_;              // blocks of kBlockCells
    std::vector<std::vector<std::uint64_t>> payloads_;  // blocks of kBlockCells
    std::size_t cell_count_ = 0;
    std::vector<std::string> texts_;  // blocks of up to kTextBlock bytes, or one long text
    std::size_t row_count_ = 0;
    std::size_t pos_ = 0;
    mutable std::vector<Value> current_;
    mutable std::size_t current_pos_ = static_cast<std::size_t>(-1);
};

}  // namespace zol
