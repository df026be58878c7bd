// The lookups the program's statements make (a student's payments, a payment's items, a
// batch's agency row), as indexes on the copied tables. A Jet file keeps its own indexes,
// which the copy does not take over; without these every statement would first have to
// build them afresh.
#pragma once

#include <sqlite3.h>

#include <string>

namespace zol {

// Creates the indexes of `table` (any spelling; other tables get none) in the main schema
// of `db`; a column the table lacks just means no index.
void add_lookup_indexes(sqlite3* db, const std::string& table);

}  // namespace zol
