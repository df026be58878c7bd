// The data control: connection string, record source, refresh, and the open result.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "data/data_options.h"
#include "data/result_set.h"

namespace zol {

class Database;

class DataControl {
  public:
    DataControl();
    ~DataControl();
    DataControl(const DataControl&) = delete;
    DataControl& operator=(const DataControl&) = delete;

    // Nothing is opened yet; the Data Source is read from the text.
    void set_connection_string(std::string text);
    const std::string& connection_string() const { return connection_; }
    // The Access-dialect SQL text, kept unchanged.
    void set_record_source(std::string sql);
    const std::string& record_source() const { return source_; }
    // Executes the record source (opening the file read-only on first use) and stands on
    // the first row. Throws DbError; the previous result is discarded either way.
    void refresh();
    // The same, but the result is read forward from the file as it is walked (eof,
    // move_next, field): a result of any length takes little memory. row_count and
    // move_first belong to results of refresh() only.
    void refresh_forward();

    // Whether Jet tables may come from the cache folder, and who hears of long reads.
    // Takes effect from the next refresh; a change of the cache choice reopens the file.
    void set_options(DataOptions options);

    // Every opening of the file from now on is first shown to `admit`; `rule` names it, so
    // that a file opened under the same rule stays open. Takes effect from the next refresh.
    void set_admission(std::string rule, FileAdmission admit);

    // From now on this control reads the file through what `other` has read of it: the two
    // read one state of a Jet file once. Takes effect from the next refresh.
    void share_reads_with(DataControl& other);

    // Which state of the file the last refresh read (Database::snapshot_id).
    std::string snapshot_id() const;

    bool eof() const { return rows().eof(); }
    std::size_t row_count() const { return result_.row_count(); }
    void move_first() { result_.move_first(); }
    void move_next() { rows().move_next(); }
    const Value& field(std::size_t position) const { return rows().field(position); }
    const Value& field(std::string_view name) const { return rows().field(name); }
    ResultSet& result() { return result_; }
    // The open result, whichever way it was opened.
    RowSource& rows() { return forward_ ? *forward_ : static_cast<RowSource&>(result_); }
    const RowSource& rows() const {
        return forward_ ? *forward_ : static_cast<const RowSource&>(result_);
    }

  private:
    void open();

    std::string connection_;
    std::string source_;
    DataOptions options_;
    std::string admission_rule_;
    FileAdmission admit_;
    std::shared_ptr<JetReads> reads_;
    std::shared_ptr<Database> db_;
    ResultSet result_;
    std::unique_ptr<RowSource> forward_;
};

// "Data Source=" of a connection string, trimmed; "" when absent.
std::string data_source_of(std::string_view connection_string);
// "Jet OLEDB:Database password = ..." of a connection string, trimmed; "" when absent.
std::string password_of(std::string_view connection_string);

}  // namespace zol
