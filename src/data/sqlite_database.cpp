#include "data/sqlite_database.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "core/date.h"
#include "core/text.h"
#include "data/db_error.h"
#include "data/jet_tokens.h"
#include "data/sqlite_reason.h"
#include "data/statement_parts.h"
#include "data/streamed_rows.h"
#include "data/translate.h"

namespace zol {

namespace {

bool is_date_type(const char* decltype_text) {
    if (!decltype_text) return false;
    const std::string t = to_lower_ascii(decltype_text);
    return t.find("date") != std::string::npos || t.find("time") != std::string::npos;
}

bool column_is_date(sqlite3* db, const std::string& table, const std::string& column) {
    const char* decl = nullptr;
    if (sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), &decl, nullptr,
                                      nullptr, nullptr, nullptr) != SQLITE_OK) {
        return false;
    }
    return is_date_type(decl);
}

// Max(x) and Min(x) have no declared type; they are dates when x is a date column of a
// table the statement reads.
bool aggregate_is_date(sqlite3* db, const jet_sql::AggregateColumn& col,
                       const std::vector<jet_sql::TableRef>& refs) {
    if (col.column.empty()) return false;
    for (const auto& ref : refs) {
        if (!col.qualifier.empty() && !iequals(col.qualifier, ref.alias) &&
            !(ref.alias.empty() && iequals(col.qualifier, ref.name))) {
            continue;
        }
        if (column_is_date(db, ref.name, col.column)) return true;
        if (!col.qualifier.empty()) return false;
    }
    return false;
}

// Which result columns carry dates: declared DATETIME/DATE, or Max/Min of such a column.
std::vector<bool> date_columns(sqlite3* db, sqlite3_stmt* stmt, std::string_view access_sql) {
    const int n = sqlite3_column_count(stmt);
    std::vector<bool> dates(static_cast<std::size_t>(n), false);
    bool undeclared = false;
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(stmt, i);
        dates[static_cast<std::size_t>(i)] = is_date_type(decl);
        undeclared = undeclared || (decl == nullptr);
    }
    if (!undeclared) return dates;

    const auto tokens = jet_sql::tokenize(access_sql);
    const auto items = jet_sql::select_items(tokens);
    const auto refs = jet_sql::table_refs(tokens);
    // A "*" item stands for several columns: items before the first star keep their
    // position, items after the last star count from the end.
    std::size_t first_star = items.size(), last_star = items.size();
    for (std::size_t k = 0; k < items.size(); ++k) {
        const bool star = !items[k].empty() && items[k].back().text == "*";
        if (star && first_star == items.size()) first_star = k;
        if (star) last_star = k;
    }
    for (int i = 0; i < n; ++i) {
        if (sqlite3_column_decltype(stmt, i) != nullptr) continue;
        const auto col = static_cast<std::size_t>(i);
        std::size_t item = items.size();
        if (col < first_star) {
            item = col;
        } else if (last_star < items.size()) {
            const std::size_t from_end = static_cast<std::size_t>(n) - col;
            if (from_end <= items.size() - 1 - last_star) item = items.size() - from_end;
        }
        if (item >= items.size()) continue;
        dates[col] = aggregate_is_date(db, jet_sql::max_min_column(items[item]), refs);
    }
    return dates;
}

void append_value(ResultSet& rs, sqlite3_stmt* stmt, int i, bool date) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            rs.append_integer(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
            return;
        case SQLITE_FLOAT:
            rs.append_real(sqlite3_column_double(stmt, i));
            return;
        case SQLITE_NULL:
            rs.append_null();
            return;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            const std::string_view text(p ? p : "",
                                        static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
            if (date) {
                if (text.empty()) return rs.append_null();
                if (auto d = parse_iso_date(text)) return rs.append_date(*d);
            }
            rs.append_text(text);
        }
    }
}

std::string engine_message(sqlite3* db, const char* what) {
    return std::string(what) + ": " + sqlite_reason(db);
}

}  // namespace

PreparedAccessQuery prepare_access_query(sqlite3* db, std::string_view access_sql,
                                         const std::string& path) {
    std::string sql;
    try {
        sql = translate_access_sql(access_sql);
    } catch (const DbError& e) {
        throw DbError(path, e.engine_message());
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, &tail) !=
        SQLITE_OK) {
        throw DbError(path, engine_message(db, "SQL 敘述無法執行"));
    }
    PreparedAccessQuery q;
    q.stmt.reset(raw);
    if (!q.stmt) throw DbError(path, "SQL 敘述是空的");
    const std::size_t used = static_cast<std::size_t>(tail - sql.c_str());
    if (sql.find_first_not_of(" \t\r\n;", used) != std::string::npos) {
        throw DbError(path, "只能執行一個 SELECT 敘述");
    }
    if (!sqlite3_stmt_readonly(q.stmt.get())) throw DbError(path, "只接受讀取資料的 SELECT 敘述");

    const int n = sqlite3_column_count(q.stmt.get());
    q.columns.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(q.stmt.get(), i);
        q.columns.emplace_back(name ? name : "");
    }
    q.dates = date_columns(db, q.stmt.get(), access_sql);
    return q;
}

Value access_value(sqlite3_stmt* stmt, int i, bool date) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(stmt, i));
        case SQLITE_NULL:
            return Value();
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            std::string text(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
            if (date) {
                if (text.empty()) return Value();
                if (auto d = parse_iso_date(text)) return Value(*d);
            }
            return Value(std::move(text));
        }
    }
}

void append_access_row(ResultSet& rs, sqlite3_stmt* stmt, const std::vector<bool>& dates) {
    for (std::size_t i = 0; i < dates.size(); ++i) {
        append_value(rs, stmt, static_cast<int>(i), dates[i]);
    }
    rs.end_row();
}

namespace {

std::chrono::seconds statement_limit() {
    const char* text = std::getenv("ZOL5300_STATEMENT_SECONDS");
    const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 300);
}

}  // namespace

SqliteProgress::SqliteProgress(sqlite3* db, const ProgressFn& progress, const std::uint64_t& rows,
                               std::string path)
    : db_(db),
      progress_(progress),
      rows_(rows),
      path_(std::move(path)),
      limit_(statement_limit()),
      deadline_(std::chrono::steady_clock::now() + limit_) {
    // About every tenth of a second on this machine's sorts and joins.
    sqlite3_progress_handler(db_, 200000, &SqliteProgress::call, this);
}

SqliteProgress::~SqliteProgress() {
    sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

int SqliteProgress::call(void* self) {
    auto* me = static_cast<SqliteProgress*>(self);
    try {
        if (std::chrono::steady_clock::now() > me->deadline_)
            throw DbError(me->path_, "查詢執行超過 " + std::to_string(me->limit_.count()) +
                                         " 秒，已停止（資料庫中的檢視或資料表可能有誤）");
        if (me->progress_) me->progress_(Progress{"查詢資料", me->rows_, 0, 0});
    } catch (...) {
        me->thrown_ = std::current_exception();
        return 1;
    }
    return 0;
}

void SqliteProgress::rethrow() {
    if (thrown_) std::rethrow_exception(std::exchange(thrown_, nullptr));
}

ResultSet run_access_query(sqlite3* db, std::string_view access_sql, const std::string& path,
                           const ProgressFn& progress) {
    PreparedAccessQuery q = prepare_access_query(db, access_sql, path);
    ResultSet rs(std::move(q.columns));
    std::uint64_t rows = 0;
    SqliteProgress listener(db, progress, rows, path);
    for (;;) {
        const int rc = sqlite3_step(q.stmt.get());
        listener.rethrow();
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw DbError(path, engine_message(db, "讀取資料時發生錯誤"));
        append_access_row(rs, q.stmt.get(), q.dates);
        ++rows;
    }
    return rs;
}

std::shared_ptr<SqliteDatabase> SqliteDatabase::open_file(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        throw DbError(path, "無法開啟資料庫: " + sqlite_reason(raw, rc));
    }
    // One connection serves one data control on one thread: no mutex needed (NOMUTEX).
    // Other programs of the package may be writing; wait for them briefly.
    sqlite3_busy_timeout(db.get(), 5000);
    char* err = nullptr;
    // Reading the schema proves it is a database we can read (not damaged or encrypted).
    if (sqlite3_exec(db.get(), "PRAGMA query_only=1; SELECT count(*) FROM sqlite_master;", nullptr,
                     nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        const std::string message = sqlite_reason(db.get());
        throw DbError(path, "無法讀取資料庫: " + message);
    }
    return std::make_shared<SqliteDatabase>(std::move(db), path);
}

SqliteDatabase::SqliteDatabase(SqliteHandle db, std::string path)
    : db_(std::move(db)), path_(std::move(path)) {}

ResultSet SqliteDatabase::query(std::string_view access_sql) {
    return run_access_query(db_.get(), access_sql, path_, progress_);
}

std::unique_ptr<RowSource> SqliteDatabase::stream(std::string_view access_sql,
                                                  const ProgressFn& progress) {
    return stream_access_query(db_.get(), access_sql, path_, progress);
}

}  // namespace zol
