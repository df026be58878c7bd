// The SQLite side of loading: one transaction per load, a prepared insert per table.
#include "data/jet_loader.h"

#include <memory>

#include "data/db_error.h"
#include "data/jet_wire.h"

namespace zol {

namespace {

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtCloser>;

class SqliteSink : public JetTableSink {
  public:
    SqliteSink(sqlite3* db, const std::string& path) : db_(db), path_(path) {}

    void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) override {
        table_.assign(name);
        if (columns.empty()) throw DbError(path_, "資料表「" + table_ + "」沒有欄位");
        std::string create = "CREATE TABLE " + quote_identifier(std::string(name)) + " (";
        std::string insert = "INSERT INTO " + quote_identifier(std::string(name)) + " VALUES (";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            create += (i ? ", " : "") + quote_identifier(columns[i].name) + " " +
                      columns[i].declared_type;
            insert += i ? ",?" : "?";
        }
        exec(create + ")");
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &s, nullptr) != SQLITE_OK) {
            sqlite3_finalize(s);
            fail();
        }
        insert_.reset(s);
        result.loaded.emplace_back(name);
    }

    void row(const std::vector<JetCell>& cells) override {
        sqlite3_stmt* s = insert_.get();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const JetCell& c = cells[i];
            const int at = static_cast<int>(i + 1);
            int rc = SQLITE_OK;
            switch (c.kind) {
                case JetCellKind::null:
                    rc = sqlite3_bind_null(s, at);
                    break;
                case JetCellKind::integer:
                    rc = sqlite3_bind_int64(s, at, c.integer);
                    break;
                case JetCellKind::real:
                    rc = sqlite3_bind_double(s, at, c.real);
                    break;
                case JetCellKind::text:
                    rc = sqlite3_bind_text64(s, at, c.bytes.data(), c.bytes.size(),
                                             SQLITE_TRANSIENT, SQLITE_UTF8);
                    break;
                case JetCellKind::blob:
                    rc = sqlite3_bind_blob64(s, at, c.bytes.data(), c.bytes.size(),
                                             SQLITE_TRANSIENT);
                    break;
            }
            if (rc != SQLITE_OK) fail();
        }
        if (sqlite3_step(s) != SQLITE_DONE) fail();
        sqlite3_reset(s);
    }

    void end_table() override { insert_.reset(); }

    void missing_table(std::string_view name) override { result.missing.emplace_back(name); }

    void exec(const std::string& sql) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail();
    }
    // For statements outside any table (the savepoint around the load).
    void exec_plain(const std::string& sql) {
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw DbError(path_, sqlite3_errmsg(db_));
        }
    }

    JetLoadResult result;

  private:
    // Damaged column names (duplicates, say) end here; SQLite's own words follow the reason.
    [[noreturn]] void fail() {
        throw DbError(path_, "無法建立資料表「" + table_ +
                                 "」的記憶體副本，資料庫檔案可能已損毀：" + sqlite3_errmsg(db_));
    }

    sqlite3* db_;
    const std::string& path_;
    std::string table_;
    Stmt insert_;
};

}  // namespace

std::string quote_identifier(const std::string& name) {
    std::string out = "\"";
    for (char ch : name) {
        out += ch;
        if (ch == '"') out += '"';
    }
    return out + "\"";
}

JetLoadResult load_jet_tables(sqlite3* db, const std::string& path, std::uint64_t page_count,
                              const std::vector<std::string>& tables, const JetReadLimits& limits) {
    const std::string stream = read_jet_stream(path, page_count, tables, limits);
    SqliteSink sink(db, path);
    sink.exec_plain("SAVEPOINT jet_load");
    try {
        const JetWireOutcome outcome = parse_jet_wire(stream, sink);
        if (!outcome.complete) {
            throw DbError(path,
                          outcome.failure.empty() ? "讀取資料庫時資料不完整" : outcome.failure);
        }
        sink.end_table();
        sink.exec_plain("RELEASE jet_load");
    } catch (...) {
        sink.end_table();
        sqlite3_exec(db, "ROLLBACK TO jet_load; RELEASE jet_load", nullptr, nullptr, nullptr);
        throw;
    }
    return std::move(sink.result);
}

}  // namespace zol
