// The SQLite engine under the data controls: a package file opened read-only, or an
// in-memory copy that the Jet reader fills.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/database.h"

namespace zol {

// Owns an sqlite3 handle.
struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtCloser>;

// A translated statement ready to step, with its column names and which columns carry
// dates (declared DATETIME/DATE, and Max/Min of them).
struct PreparedAccessQuery {
    StmtHandle stmt;
    std::vector<std::string> columns;
    std::vector<bool> dates;
};
PreparedAccessQuery prepare_access_query(sqlite3* db, std::string_view access_sql,
                                         const std::string& path);
// Field i of the row the statement stands on, as append_access_row would store it.
Value access_value(sqlite3_stmt* stmt, int i, bool date);
// Appends the row the statement stands on.
void append_access_row(ResultSet& rs, sqlite3_stmt* stmt, const std::vector<bool>& dates);

// Translates the Access-dialect text and runs it on `db`; date columns (declared
// DATETIME/DATE, and Max/Min of them) arrive as dates. `path` names the file in errors.
// Only statements that read are accepted.
ResultSet run_access_query(sqlite3* db, std::string_view access_sql, const std::string& path);

class SqliteDatabase : public Database {
  public:
    // Opens a SQLite file read-only; throws DbError.
    static std::shared_ptr<SqliteDatabase> open_file(const std::string& path);
    SqliteDatabase(SqliteHandle db, std::string path);

    ResultSet query(std::string_view access_sql) override;
    std::unique_ptr<RowSource> stream(std::string_view access_sql,
                                      const ProgressFn& progress) override;
    const std::string& path() const override { return path_; }
    sqlite3* handle() const { return db_.get(); }

  private:
    SqliteHandle db_;
    std::string path_;
};

}  // namespace zol
