// Filling the in-memory SQLite copy with tables read from a Jet 4 file.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/jet_process.h"

namespace zol {

struct JetLoadResult {
    std::vector<std::string> loaded;   // names as the file spells them
    std::vector<std::string> missing;  // names asked for that the file lacks
};

// Reads `tables` from the checked Jet 4 file (in a child process) and creates each one in
// `db` with the Jet column names and declared types, rows and all. Either every table
// found is created or, on any failure, none is. Throws DbError naming the file.
JetLoadResult load_jet_tables(sqlite3* db, const std::string& path, std::uint64_t page_count,
                              const std::vector<std::string>& tables, const JetReadLimits& limits);

// "name" with inner quotes doubled: an identifier for SQLite whatever the Jet name holds.
std::string quote_identifier(const std::string& name);

}  // namespace zol
