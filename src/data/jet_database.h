// Jet 4 (Access 2000-2003) files, read through libmdb into an in-memory SQLite copy.
#pragma once

#include <memory>
#include <string>

namespace zol {

class Database;

// True when the first bytes of the file say Jet (any version) or ACCDB.
bool looks_like_jet(const std::string& first_bytes);

// Opens a Jet 4 file. Throws DbError naming the file and the reason for Jet 3, ACCDB,
// encrypted, truncated or corrupted files.
std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string& password);

}  // namespace zol
