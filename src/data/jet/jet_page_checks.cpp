#include "data/jet/jet_page_checks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "data/jet/jet_header.h"

namespace zol {

namespace {

// The layout of a Jet 4 data page: its kind, the definition page of the table it belongs to,
// its row count and the row-offset table after it. Rows fill the page from its end down.
constexpr unsigned char kDataPage = 0x01;
constexpr std::size_t kOwnerOffset = 4;
constexpr std::size_t kRowCountOffset = 12;
constexpr std::size_t kRowOffsetsStart = 14;
constexpr unsigned kOffsetMask = 0x1fff;
// The two flags of a row offset: a row moved to another place (its own bytes hold a pointer
// there), and the moved row's new place, which a scan of its page passes over. Both set: a
// deleted row.
constexpr unsigned kLookupFlag = 0x4000;
constexpr unsigned kMovedHereFlag = 0x8000;
constexpr unsigned kFlags = kLookupFlag | kMovedHereFlag;
// A row's own bytes start with its column count, which counts the columns deleted since
// the row was written too; the definition keeps the most a row may have. They end with the
// null mask, a bit a column, and before it the count of variable-length columns and their
// offsets in the row, the last one where their data ends.
constexpr std::size_t kRowCountBytes = 2;
// The definition page: the most columns a row may have and the variable-length columns
// (deleted ones counted), and the table's columns now.
constexpr std::size_t kMaxColumnsOffset = 41;
constexpr std::size_t kVarColumnsOffset = 43;
constexpr std::size_t kColumnsOffset = 45;
constexpr std::size_t kPointerBytes = 4;

unsigned u16(const unsigned char* p, std::size_t at) {
    return p[at] | (p[at + 1] << 8);
}

std::uint32_t u32(const unsigned char* p, std::size_t at) {
    return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) |
           (static_cast<std::uint32_t>(p[at + 3]) << 24);
}

using Page = std::array<unsigned char, kJet4PageSize>;

class PageChecker {
  public:
    PageChecker(const JetPageSource& source, std::uint64_t definition_page)
        : source_(source), definition_page_(definition_page) {
        const unsigned char* definition = source_(definition_page);
        max_columns_ = u16(definition, kMaxColumnsOffset);
        var_columns_ = u16(definition, kVarColumnsOffset);
        if (u16(definition, kColumnsOffset) > max_columns_) damage(definition_page, "欄數不正確");
    }

    void check_columns(const std::vector<JetColumnPlace>& columns) const {
        std::vector<bool> numbers(max_columns_), var_numbers(var_columns_);
        std::vector<std::pair<unsigned, unsigned>> fixed;
        for (const JetColumnPlace& c : columns) {
            if (!c.known_kind) damage(definition_page_, "欄位類型不正確");
            if (c.row_number >= max_columns_ || numbers[c.row_number])
                damage(definition_page_, "欄位編號不正確");
            numbers[c.row_number] = true;
            if (!c.fixed) {
                if (c.var_number >= var_columns_ || var_numbers[c.var_number])
                    damage(definition_page_, "變動長度欄位的編號不正確");
                var_numbers[c.var_number] = true;
            } else if (!c.in_null_mask) {
                if (c.size == 0 || (c.expected_size != 0 && c.size != c.expected_size))
                    damage(definition_page_, "欄位長度不正確");
                fixed.emplace_back(c.fixed_offset, c.fixed_offset + c.size);
            }
        }
        std::sort(fixed.begin(), fixed.end());
        for (std::size_t i = 1; i < fixed.size(); ++i) {
            if (fixed[i].first < fixed[i - 1].second) damage(definition_page_, "欄位位置重疊");
        }
    }

    std::uint64_t live_rows(std::uint64_t number) {
        const Page page = data_page(number);
        const unsigned rows = row_count(page, number);
        std::uint64_t live = 0;
        for (unsigned row = 0; row < rows; ++row) {
            const unsigned raw = u16(page.data(), kRowOffsetsStart + 2 * row);
            const auto [start, length] = extent(page, number, row);
            switch (raw & kFlags) {
                case 0:
                    check_row(page, number, row, start, length);
                    ++live;
                    break;
                case kLookupFlag:
                    if (length < kPointerBytes) row_damage(number, row, "的移轉指標不完整");
                    check_moved_row(u32(page.data(), start), number, row);
                    ++live;
                    break;
                default:  // a moved row's new place, or a deleted row
                    break;
            }
        }
        return live;
    }

  private:
    [[noreturn]] static void damage(std::uint64_t page, std::string what) {
        throw JetDamage{page, std::move(what)};
    }
    // The same for row `row` of the page: its text is made only when there is damage, rows
    // being checked by the million.
    [[noreturn]] static void row_damage(std::uint64_t page, unsigned row, const char* what) {
        damage(page, "第 " + std::to_string(row) + " 列" + what);
    }

    // A copy: the pages a moved row points to are read while this one is checked.
    Page data_page(std::uint64_t number) const {
        Page page;
        std::memcpy(page.data(), source_(number), page.size());
        if (page[0] != kDataPage) damage(number, "不是資料頁");
        if (u32(page.data(), kOwnerOffset) != definition_page_) damage(number, "不屬於這個資料表");
        return page;
    }

    static unsigned row_count(const Page& page, std::uint64_t number) {
        const unsigned rows = u16(page.data(), kRowCountOffset);
        if (kRowOffsetsStart + 2 * rows > page.size())
            damage(number, "列數 " + std::to_string(rows) + " 超出資料頁的容量");
        return rows;
    }

    // Where row `row` lies: from its offset up to the offset of the row before it (the page's
    // end for the first row); the offsets descend, and none reaches into the offset table.
    static std::pair<std::size_t, std::size_t> extent(const Page& page, std::uint64_t number,
                                                      unsigned row) {
        const unsigned rows = u16(page.data(), kRowCountOffset);
        const std::size_t start = u16(page.data(), kRowOffsetsStart + 2 * row) & kOffsetMask;
        const std::size_t end =
            row == 0 ? page.size()
                     : u16(page.data(), kRowOffsetsStart + 2 * (row - 1)) & kOffsetMask;
        if (start > page.size()) row_damage(number, row, "的位置超出資料頁");
        if (start < kRowOffsetsStart + 2 * rows) row_damage(number, row, "與列位置表重疊");
        if (start > end) row_damage(number, row, "與前一列重疊");
        return {start, end - start};
    }

    void check_row(const Page& page, std::uint64_t number, unsigned row, std::size_t start,
                   std::size_t length) const {
        const unsigned char* r = page.data() + start;
        const unsigned columns = length >= kRowCountBytes ? u16(r, 0) : 0;
        if (columns == 0 || columns > max_columns_) row_damage(number, row, "的欄數不正確");
        const std::size_t mask = (columns + 7) / 8;
        if (length < kRowCountBytes + mask + 2) row_damage(number, row, "的長度不足");
        const unsigned var_columns = u16(r, length - mask - 2);
        const std::size_t trailer = mask + 2 + 2 * (var_columns + 1);
        if (var_columns > columns || var_columns > var_columns_ ||
            length < kRowCountBytes + trailer)
            row_damage(number, row, "的變動長度欄位不正確");
        // Rows without variable-length columns may leave their one offset unset.
        if (var_columns == 0) return;
        std::size_t at = kRowCountBytes;
        for (unsigned i = 0; i <= var_columns; ++i) {
            const std::size_t next = u16(r, length - mask - 4 - 2 * i);
            if (next < at || next > length - trailer)
                row_damage(number, row, "的變動長度欄位位置不正確");
            at = next;
        }
    }

    // A moved row's pointer (its row in the low byte, its page above) must lead to a row of a
    // data page of this table that is marked as a moved row's new place.
    void check_moved_row(std::uint32_t pointer, std::uint64_t from, unsigned from_row) {
        const std::uint64_t number = pointer >> 8;
        const unsigned row = pointer & 0xff;
        if (number == 0) row_damage(from, from_row, "的移轉指標不正確");
        const Page page = data_page(number);
        if (row >= row_count(page, number)) row_damage(from, from_row, "的移轉指標指向不存在的列");
        if ((u16(page.data(), kRowOffsetsStart + 2 * row) & kFlags) != kMovedHereFlag)
            row_damage(from, from_row, "的移轉指標指向的列不是移轉的資料");
        const auto [start, length] = extent(page, number, row);
        check_row(page, number, row, start, length);
    }

    const JetPageSource& source_;
    std::uint64_t definition_page_;
    unsigned max_columns_ = 0;
    unsigned var_columns_ = 0;
};

}  // namespace

std::uint64_t count_checked_rows(const JetPageSource& source, std::uint64_t definition_page,
                                 const std::vector<JetColumnPlace>& columns,
                                 const std::vector<std::uint64_t>& pages) {
    PageChecker checker(source, definition_page);
    checker.check_columns(columns);
    std::uint64_t live = 0;
    for (const std::uint64_t page : pages) live += checker.live_rows(page);
    return live;
}

}  // namespace zol
