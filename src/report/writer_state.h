// State of one report run: the tables the class groups are read into and the counters
// and sums of the pages, the class groups and the report.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zol {

inline constexpr int kMaxItemColumns = 15;   // columns an item list may open
inline constexpr int kNewColumnLimit = 10;   // payment rows open columns only below this
inline constexpr int kFirstLineColumns = 8;  // item columns on a detail line's first line
inline constexpr int kPageLines = 30;        // counted body lines per page

// Fields of a `row_table` row.
enum RowField : int {
    kGradeCode = 0,
    kClass = 1,
    kSeat = 2,
    kMarkAndName = 3,
    kMethodLabel = 4,
    kFee = 5,
    kTotal = 6,
    kSerial = 8,
    kDebitDate = 9,
};

// The key of a class group: collection date, payment group, grade and class.
struct GroupKey {
    // Numbers first: most keys that differ differ there, and they compare fastest.
    long long clsid = 0;
    long long grade = 0;
    long long grpid = 0;
    std::string date;  // "yyyy/mm/dd", compared as text
    friend bool operator==(const GroupKey&, const GroupKey&) = default;
};

struct GroupKeyHash {
    std::size_t operator()(const GroupKey& k) const {
        std::size_t h = std::hash<std::string>()(k.date);
        for (long long v : {k.grpid, k.grade, k.clsid}) {
            h ^= std::hash<long long>()(v) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        }
        return h;
    }
};

struct ItemInfo {
    std::int64_t sum = 0;  // class (per-class mode) or report (merged mode) sum
    int width = 0;         // display_width of the item's name
};

struct WriterState {
    bool merged = false;
    std::string print_date;  // "114年03月07日"

    // Current class group.
    GroupKey key;
    std::string header_date;  // "114/03/07"
    std::string group_name;
    int row_count = 0;

    // Row 0 is never used; student rows are 1..row_count (no fixed upper bound).
    std::vector<std::array<std::string, 10>> row_table;
    std::vector<std::array<std::string, 2>> row_names;  // grade name, class name
    // item_table[row][column]: row 0 holds the names, column 0 is never used.
    std::vector<std::array<std::string, kMaxItemColumns + 1>> item_table;
    std::array<ItemInfo, kMaxItemColumns + 1> item_info{};
    std::array<std::int64_t, kMaxItemColumns + 1> page_sums{};
    int item_count = 0;

    int page_no = 0;
    int line_no = 0;
    std::int64_t page_count = 0;
    std::int64_t page_fee_sum = 0;
    std::int64_t page_total_sum = 0;
    std::int64_t class_fee_sum = 0;
    std::int64_t class_total_sum = 0;
    std::int64_t report_count = 0;
    std::int64_t report_total_sum = 0;

    // Item columns on the first line of a detail or totals line, and in all.
    int first_line_columns() const {
        return item_count < kFirstLineColumns ? item_count : kFirstLineColumns;
    }
    bool has_second_line() const { return item_count > kFirstLineColumns; }
};

// Adds without overflowing: sums beyond 64 bits stay at the limit.
inline void accumulate(std::int64_t& sum, std::int64_t v) {
    if (__builtin_add_overflow(sum, v, &sum)) {
        sum = v > 0 ? INT64_MAX : INT64_MIN;
    }
}

}  // namespace zol
