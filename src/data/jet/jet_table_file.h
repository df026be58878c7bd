// The reading child's other way out: one table written straight into an SQLite file (the
// parent made it, empty), so that the parent has nothing to copy and several children
// can fill several tables at once.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/jet/jet_wire.h"

namespace zol {

// Thrown with the reason in the user's language.
class JetFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class JetTableFileWriter : public JetCellSink {
  public:
    // Opens `file`; `progress` hears the row count now and then. Throws JetFileError.
    JetTableFileWriter(const std::string& file, JetWireWriter& progress);
    ~JetTableFileWriter() override;
    JetTableFileWriter(const JetTableFileWriter&) = delete;
    JetTableFileWriter& operator=(const JetTableFileWriter&) = delete;

    void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns) override;
    void begin_row() override;
    void null_cell() override;
    void integer_cell(std::int64_t v) override;
    void real_cell(double v) override;
    void text_cell(std::string_view v) override;
    void blob_cell(std::string_view v) override;
    void end_table() override;
    // Commits and closes the file; throws JetFileError.
    void finish();

  private:
    void finish_row();
    void exec(const std::string& sql);
    void check(int rc);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    JetWireWriter& progress_;
    int column_ = 0;
    bool row_open_ = false;
    std::uint64_t rows_ = 0;
    std::string table_;
};

// CREATE TABLE text of a copied table: Jet names quoted, declared types kept.
std::string create_table_sql(std::string_view name, const std::vector<JetColumnDef>& columns);

}  // namespace zol
