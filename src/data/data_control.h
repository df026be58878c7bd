// The data control: connection string, record source, refresh, and the open result.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "data/result_set.h"

namespace zol {

class Database;

class DataControl {
  public:
    DataControl();
    ~DataControl();
    DataControl(DataControl&&) noexcept;
    DataControl& operator=(DataControl&&) noexcept;

    // Nothing is opened yet; the Data Source is read from the text.
    void set_connection_string(std::string text);
    const std::string& connection_string() const { return connection_; }
    // The Access-dialect SQL text, kept unchanged.
    void set_record_source(std::string sql);
    const std::string& record_source() const { return source_; }
    // Executes the record source (opening the file read-only on first use) and stands on
    // the first row. Throws DbError; the previous result is discarded either way.
    void refresh();

    bool eof() const { return result_.eof(); }
    std::size_t row_count() const { return result_.row_count(); }
    void move_first() { result_.move_first(); }
    void move_next() { result_.move_next(); }
    const Value& field(std::size_t position) const { return result_.field(position); }
    const Value& field(std::string_view name) const { return result_.field(name); }
    ResultSet& result() { return result_; }

  private:
    std::string connection_;
    std::string source_;
    std::shared_ptr<Database> db_;
    ResultSet result_;
};

// "Data Source=" of a connection string, trimmed; "" when absent.
std::string data_source_of(std::string_view connection_string);
// "Jet OLEDB:Database password = ..." of a connection string, trimmed; "" when absent.
std::string password_of(std::string_view connection_string);

}  // namespace zol
