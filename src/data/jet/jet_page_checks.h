// The structure of a table's data pages, checked before its rows are trusted. Jet keeps no
// checksums, so a changed amount cannot be told from an edit; but damage that breaks the
// pages (a page zeroed by a lost write, a row count or a row offset changed, a page of
// another table or of another kind where the table's pages belong) can be seen, and a table
// read from such pages would silently lose or invent rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zol {

// A fault in the file's structure: the page it was found on and what is wrong there.
struct JetDamage {
    std::uint64_t page;
    std::string what;
};

// The page `number` of the file (kJet4PageSize bytes), valid until the next call; throws
// JetDamage for a page beyond the file and the reader's own error when a read fails.
using JetPageSource = std::function<const unsigned char*(std::uint64_t number)>;

// A column as the table's definition places it in a row.
struct JetColumnPlace {
    unsigned row_number;  // deleted columns counted
    bool fixed;
    unsigned var_number;     // of a variable-length column
    unsigned fixed_offset;   // of a fixed-length column, after the row's column count
    unsigned size;           // bytes of a fixed-length column
    unsigned expected_size;  // what its kind takes, 0 where that varies
    bool in_null_mask;       // Yes/No: no bytes of its own
    bool known_kind;         // a kind of column that Jet 4 files hold
};

// Checks the table whose definition lies on `definition_page`, then counts its live rows.
// First its `columns` against the definition page's counts: each of a known kind, a place of
// its own in the row (numbers, variable-length numbers below the definition's count,
// fixed-length bytes without overlap), and of the size its kind takes. Then each page of
// `pages` (the table's usage map, in its order) as a data page of the table: its kind and
// owner, its row count against the room its row-offset table takes, every row inside the
// page below that table, the rows' extents in descending order without overlap, and every
// overflow pointer to a row of a data page of the same table that is marked as such.
// Returns the number of live rows (deleted rows and overflow parts not counted); throws
// JetDamage at the first fault.
std::uint64_t count_checked_rows(const JetPageSource& source, std::uint64_t definition_page,
                                 const std::vector<JetColumnPlace>& columns,
                                 const std::vector<std::uint64_t>& pages);

}  // namespace zol
