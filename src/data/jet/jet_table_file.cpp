#include "data/jet/jet_table_file.h"

#include "data/jet/jet_indexes.h"
#include "data/sql_quote.h"
#include "data/sqlite_reason.h"

namespace zol {

namespace {

constexpr std::uint64_t kProgressRows = 16384;

}  // namespace

std::string create_table_sql(std::string_view name, const std::vector<JetColumnDef>& columns) {
    std::string create = "CREATE TABLE " + sql_identifier(std::string(name)) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        create +=
            (i ? ", " : "") + sql_identifier(columns[i].name) + " " + columns[i].declared_type;
    }
    return create + ")";
}

JetTableFileWriter::JetTableFileWriter(const std::string& file, JetWireWriter& progress)
    : progress_(progress) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) throw JetFileError("無法寫入資料表的暫存檔案");
    // A half-written file is thrown away by the parent: no journal, no waiting for the disk.
    exec(
        "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
        "PRAGMA cache_size=-16384; BEGIN");
}

void JetTableFileWriter::exec(const std::string& sql) {
    check(sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr));
}

void JetTableFileWriter::check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        throw JetFileError("無法寫入資料表的暫存檔案：" + sqlite_reason(db_.get()));
    }
}

void JetTableFileWriter::begin_table(std::string_view name,
                                     const std::vector<JetColumnDef>& columns) {
    if (columns.empty()) {
        throw JetFileError("資料表「" + std::string(name) + "」沒有欄位");
    }
    table_.assign(name);
    exec(create_table_sql(name, columns));
    std::string insert = "INSERT INTO " + sql_identifier(std::string(name)) + " VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i) insert += i ? ",?" : "?";
    sqlite3_stmt* prepared = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), (insert + ")").c_str(), -1, &prepared, nullptr);
    insert_.reset(prepared);
    check(rc);
}

void JetTableFileWriter::finish_row() {
    if (!row_open_) return;
    check(sqlite3_step(insert_.get()));
    sqlite3_reset(insert_.get());
    row_open_ = false;
    if (++rows_ % kProgressRows == 0) progress_.rows_written(rows_);
}

void JetTableFileWriter::begin_row() {
    finish_row();
    row_open_ = true;
    column_ = 0;
}
void JetTableFileWriter::null_cell() {
    check(sqlite3_bind_null(insert_.get(), ++column_));
}
void JetTableFileWriter::integer_cell(std::int64_t v) {
    check(sqlite3_bind_int64(insert_.get(), ++column_, v));
}
void JetTableFileWriter::real_cell(double v) {
    check(sqlite3_bind_double(insert_.get(), ++column_, v));
}
void JetTableFileWriter::text_cell(std::string_view v) {
    check(sqlite3_bind_text64(insert_.get(), ++column_, v.data(), v.size(), SQLITE_TRANSIENT,
                              SQLITE_UTF8));
}
void JetTableFileWriter::blob_cell(std::string_view v) {
    check(sqlite3_bind_blob64(insert_.get(), ++column_, v.data(), v.size(), SQLITE_TRANSIENT));
}
void JetTableFileWriter::end_table() {
    finish_row();
    insert_.reset();
}

void JetTableFileWriter::finish() {
    end_table();
    add_lookup_indexes(db_.get(), table_);
    exec("COMMIT");
    progress_.rows_written(rows_);
    check(sqlite3_close(db_.get()));
    db_.release();
}

}  // namespace zol
