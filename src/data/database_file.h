// Opening the database file for reading: once per state of it, and every read of that state
// through the descriptor, so that a name another account swaps meanwhile changes nothing of
// what a run reads.
#pragma once

#include <string>

#include "core/unique_fd.h"
#include "data/data_options.h"

namespace zol {

// The file at `path` as a regular file, read-only and without waiting on a FIFO, shown to
// `admit` (none: any regular file) before it is handed back. Throws DbError naming `path`
// when it cannot be opened or is refused.
UniqueFd open_database_file(const std::string& path, const FileAdmission& admit);

// The name a forked child opens to read the very file behind `fd`, whatever its name
// leads to by then.
std::string descriptor_path(int fd);

}  // namespace zol
