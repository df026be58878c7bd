// An opened package database: a SQLite file read-only, or a Jet file loaded into memory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "data/data_options.h"
#include "data/result_set.h"

namespace zol {

class Database {
  public:
    virtual ~Database() = default;
    // Runs one Access-dialect SELECT and returns its rows; throws DbError.
    virtual ResultSet query(std::string_view access_sql) = 0;
    // The same statement read forward, a row at a time, so that a result of any length
    // takes little memory. `progress` hears of a long wait for the first row.
    virtual std::unique_ptr<RowSource> stream(std::string_view access_sql,
                                              const ProgressFn& progress) = 0;
    // Which state of the file the last statement read: two statements that give the same
    // text read the same content. Empty for a database that has only one state to offer.
    virtual std::string snapshot_id() const { return {}; }
    // Who hears of long reads from now on (an empty function: nobody).
    virtual void set_progress(ProgressFn) = 0;
};

// Opens the file at `path` (a package path text; resolved case-insensitively) by its
// first bytes. Throws DbError for a missing file or a file that is no database.
std::shared_ptr<Database> open_database(std::string_view path, std::string_view password = {},
                                        const DataOptions& options = {});

}  // namespace zol
