// Why the SQLite engine failed, told to the clerk in Chinese where the failure lies in the
// file or the machine (a full disk, a read error, a damaged file); a fault in a statement
// keeps the engine's own text, which names the table or column.
#pragma once

#include <sqlite3.h>

#include <string>

namespace zol {

// The reason for the last failure on `db`; `rc` when there is no connection to ask.
std::string sqlite_reason(sqlite3* db, int rc = SQLITE_ERROR);

}  // namespace zol
