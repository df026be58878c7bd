// Reading a finished workbook back before it is put in place. libxlsxwriter does not check
// the writes of its temporary files (stdio calls whose errors it ignores, and rewinds away),
// so a write that failed on a full or failing disk leaves a workbook that lacks some of what
// was written while the library reports success.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zol {

// The cells of one sheet as a sum that does not depend on the order they were written in.
class CellTally {
  public:
    // Row and column from 0, the cell's style index (0: none), its text or number.
    void text(std::uint32_t row, std::uint16_t col, int style, std::string_view text);
    void number(std::uint32_t row, std::uint16_t col, int style, double value);
    bool operator==(const CellTally&) const = default;

  private:
    void add(std::uint32_t row, std::uint16_t col, int style, char kind, std::string_view value);
    std::uint64_t sum_ = 0;
    std::uint64_t count_ = 0;
};

// Why the workbook `file` is not whole, or does not hold exactly `sheets` (in sheet order),
// or its theme and styles are not those of `twin` (a workbook with the same formats); empty
// when it is and does.
std::string xlsx_problem(const std::filesystem::path& file, const std::vector<CellTally>& sheets,
                         const std::filesystem::path& twin);

}  // namespace zol
