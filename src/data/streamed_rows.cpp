#include "data/streamed_rows.h"

#include <exception>
#include <utility>
#include <vector>

#include "data/db_error.h"
#include "data/sqlite_database.h"
#include "data/sqlite_reason.h"

namespace zol {

namespace {

class StreamedRows final : public RowSource {
  public:
    StreamedRows(sqlite3* db, PreparedAccessQuery q, std::string path, ProgressFn progress)
        : db_(db), q_(std::move(q)), path_(std::move(path)), progress_(std::move(progress)) {
        step();
    }
    StreamedRows(const StreamedRows&) = delete;
    StreamedRows& operator=(const StreamedRows&) = delete;

    bool eof() const override { return eof_; }
    void move_next() override {
        if (!eof_) step();
    }
    const std::vector<std::string>& columns() const override { return q_.columns; }

  private:
    const Value& cell(std::size_t position) const override { return row_[position]; }

    void step() {
        int rc = SQLITE_OK;
        {
            SqliteProgress listener(db_, progress_, rows_, path_);
            rc = sqlite3_step(q_.stmt.get());
            listener.rethrow();
        }
        if (rc == SQLITE_DONE) {
            eof_ = true;
            return;
        }
        if (rc != SQLITE_ROW) {
            eof_ = true;
            throw DbError(path_, "讀取資料時發生錯誤: " + sqlite_reason(db_));
        }
        row_.resize(q_.dates.size());
        for (std::size_t i = 0; i < row_.size(); ++i) {
            row_[i] = access_value(q_.stmt.get(), static_cast<int>(i), q_.dates[i]);
        }
        ++rows_;
    }

    sqlite3* db_;
    PreparedAccessQuery q_;
    std::string path_;
    ProgressFn progress_;
    std::vector<Value> row_;
    bool eof_ = false;
    std::uint64_t rows_ = 0;
};

}  // namespace

std::unique_ptr<RowSource> stream_access_query(sqlite3* db, std::string_view access_sql,
                                               const std::string& path,
                                               const ProgressFn& progress) {
    PreparedAccessQuery q = prepare_access_query(db, access_sql, path);
    return std::make_unique<StreamedRows>(db, std::move(q), path, progress);
}

}  // namespace zol
