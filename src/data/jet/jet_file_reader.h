// Where the Jet file is read: the one part that touches libmdb. It runs only inside a
// forked reading child (jet_reader_children.h): libmdb trusts the file, so whatever a
// damaged file makes it do stays in that process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zol {

// Reads the named tables (names compared without regard to case) of the Jet 4 file at
// `path` into the SQLite file `table_file`; the stream of jet_wire.h on `out_fd` carries
// only row counts and the verdict. Returns the child's exit status: 0 when every table was
// written (or reported missing), non-zero after a failure that it has described in the
// stream.
int read_jet_tables(const std::string& path, std::uint64_t page_count,
                    const std::vector<std::string>& tables, int out_fd,
                    const std::string& table_file);

}  // namespace zol
