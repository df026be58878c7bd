// An opened package database: a SQLite file read-only, or a Jet file loaded into memory.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "data/result_set.h"

namespace zol {

class Database {
public:
    virtual ~Database() = default;
    // Runs one Access-dialect SELECT and returns its rows; throws DbError.
    virtual ResultSet query(std::string_view access_sql) = 0;
    virtual const std::string& path() const = 0;
};

// Opens the file at `path` (a package path text; resolved case-insensitively) by its
// first bytes. Throws DbError for a missing file or a file that is no database.
std::shared_ptr<Database> open_database(std::string_view path, std::string_view password = {});

}  // namespace zol
