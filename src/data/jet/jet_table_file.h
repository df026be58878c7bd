// The reading child's other way out: one table written straight into an SQLite file (the
// parent made it, empty), so that the parent has nothing to copy and several children
// can fill several tables at once.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/jet/jet_wire.h"
#include "data/sqlite_database.h"

namespace zol {

struct JetColumnDef {
    std::string name;
    std::string declared_type;  // as the table file declares it
};

// Thrown with the reason in the user's language.
class JetFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class JetTableFileWriter {
  public:
    // Opens `file`; `progress` hears the row count now and then. Throws JetFileError.
    JetTableFileWriter(const std::string& file, JetWireWriter& progress);
    JetTableFileWriter(const JetTableFileWriter&) = delete;
    JetTableFileWriter& operator=(const JetTableFileWriter&) = delete;

    void begin_table(std::string_view name, const std::vector<JetColumnDef>& columns);
    // The cells of a row follow, in the table's column order.
    void begin_row();
    void null_cell();
    void integer_cell(std::int64_t v);
    void real_cell(double v);
    void text_cell(std::string_view v);
    void blob_cell(std::string_view v);
    void end_table();
    // Commits and closes the file; throws JetFileError.
    void finish();

  private:
    void finish_row();
    void exec(const std::string& sql);
    void check(int rc);

    SqliteHandle db_;
    StmtHandle insert_;
    JetWireWriter& progress_;
    int column_ = 0;
    bool row_open_ = false;
    std::uint64_t rows_ = 0;
    std::string table_;
};

// CREATE TABLE text of a copied table: Jet names quoted, declared types kept.
std::string create_table_sql(std::string_view name, const std::vector<JetColumnDef>& columns);

}  // namespace zol
