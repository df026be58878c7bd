// Jet 4 (Access 2000-2003) files, read through libmdb into SQLite table files that an
// in-memory SQLite database attaches or copies in (jet_database.cpp tells the way).
#pragma once

#include <memory>
#include <string>

#include "data/data_options.h"
#include "data/jet/jet_reader_children.h"

namespace zol {

class Database;

// True when the first bytes of the file say Jet (any version) or ACCDB.
bool looks_like_jet(const std::string& first_bytes);

// Opens a Jet 4 file. Throws DbError naming the file and the reason for Jet 3, ACCDB,
// encrypted, truncated or corrupted files.
//
// Each query loads, once, the tables its statement names and runs on them: cached table
// files (jet_cache.h) when `options` allow it and they match the file's content, else
// tables read afresh (into the cache, or, without one or when it fails, into files of a
// private temporary folder that is gone once they are open). Every statement first proves
// the file's state (jet_reads.h: its stamp, else a snapshot of it digested): when its
// content has changed since, everything loaded is dropped and loaded afresh, and a reading
// during which the file changed is made again (a few times, then DbError
// "資料庫正在被其他程式修改，請稍後再試"). The password is accepted and
// not checked: the file is only read, and libmdb reads it without one.
std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string& password,
                                            const DataOptions& options = {});
// The same with the reading child's limits given (tests shorten them).
std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string& password,
                                            const JetReadLimits& limits,
                                            const DataOptions& options = {});

}  // namespace zol
