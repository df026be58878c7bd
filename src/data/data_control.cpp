#include "data/data_control.h"

#include <utility>

#include "core/text.h"
#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/jet_reads.h"

namespace zol {

namespace {

// The value of one "key=value" field of a connection string; blanks around the key, the
// "=" and the value do not count, nor does the case of the key.
std::string field_of(std::string_view text, std::string_view key) {
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view item = text.substr(start, end - start);
        const auto eq = item.find('=');
        if (eq != std::string_view::npos && iequals(trim(item.substr(0, eq)), key)) {
            std::string value = trim(item.substr(eq + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
        start = end + 1;
    }
    return {};
}

}  // namespace

std::string data_source_of(std::string_view connection_string) {
    return field_of(connection_string, "Data Source");
}

std::string password_of(std::string_view connection_string) {
    return field_of(connection_string, "Jet OLEDB:Database Password");
}

DataControl::DataControl() : reads_(std::make_shared<JetReads>()) {}
DataControl::~DataControl() = default;

void DataControl::set_connection_string(std::string text) {
    if (text != connection_) db_.reset();
    connection_ = std::move(text);
}

void DataControl::set_record_source(std::string sql) {
    source_ = std::move(sql);
}

void DataControl::set_options(DataOptions options) {
    if (options.use_cache != options_.use_cache) db_.reset();
    options_ = std::move(options);
}

void DataControl::set_admission(std::string rule, FileAdmission admit) {
    if (rule != admission_rule_) db_.reset();
    admission_rule_ = std::move(rule);
    admit_ = std::move(admit);
}

void DataControl::share_reads_with(DataControl& other) {
    reads_ = other.reads_;
    db_.reset();
}

void DataControl::open() {
    result_ = ResultSet();
    forward_.reset();
    if (!db_) {
        const std::string source = data_source_of(connection_);
        if (source.empty()) throw DbError({}, "連線字串沒有指定資料庫檔案 (Data Source)");
        DataOptions options = options_;
        options.reads = reads_;
        options.admit = admit_;
        db_ = open_database(source, password_of(connection_), options);
    }
    db_->set_progress(options_.progress);
}

std::string DataControl::snapshot_id() const {
    return db_ ? db_->snapshot_id() : std::string();
}

void DataControl::refresh() {
    open();
    result_ = db_->query(source_);
}

void DataControl::refresh_forward() {
    open();
    forward_ = db_->stream(source_, options_.progress);
}

}  // namespace zol
