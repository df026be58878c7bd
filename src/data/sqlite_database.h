// The SQLite engine under the data controls: a package file opened read-only, or an
// in-memory copy that the Jet reader fills.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <exception>
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
// Only statements that read are accepted. `progress` hears of a long statement now and
// then; what it throws ends the statement and comes out of this call.
ResultSet run_access_query(sqlite3* db, std::string_view access_sql, const std::string& path,
                           const ProgressFn& progress = {});

// Calls a progress listener while SQLite works on `db` (for as long as it lives), and
// hands on what the listener threw once the step it interrupted has returned. Work that goes
// on past the statement limit (a view that calls itself for ever, in a database file someone
// made) is stopped, and told as a DbError of `path`: 300 seconds, or ZOL5300_STATEMENT_SECONDS.
class SqliteProgress {
  public:
    SqliteProgress(sqlite3* db, const ProgressFn& progress, const std::uint64_t& rows,
                   std::string path);
    ~SqliteProgress();
    SqliteProgress(const SqliteProgress&) = delete;
    SqliteProgress& operator=(const SqliteProgress&) = delete;
    // Throws what the listener threw, if it did.
    void rethrow();

  private:
    static int call(void* self);
    sqlite3* db_;
    const ProgressFn& progress_;
    const std::uint64_t& rows_;
    std::string path_;
    std::chrono::seconds limit_;
    std::chrono::steady_clock::time_point deadline_;
    std::exception_ptr thrown_;
};

class SqliteDatabase : public Database {
  public:
    // Opens a SQLite file read-only; throws DbError.
    static std::shared_ptr<SqliteDatabase> open_file(const std::string& path);
    SqliteDatabase(SqliteHandle db, std::string path);

    ResultSet query(std::string_view access_sql) override;
    std::unique_ptr<RowSource> stream(std::string_view access_sql,
                                      const ProgressFn& progress) override;
    void set_progress(ProgressFn progress) override { progress_ = std::move(progress); }
    sqlite3* handle() const { return db_.get(); }

  private:
    SqliteHandle db_;
    std::string path_;
    ProgressFn progress_;
};

}  // namespace zol
