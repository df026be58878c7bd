// A statement's rows read forward straight from SQLite, one row in memory at a time.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "data/data_options.h"
#include "data/row_source.h"

namespace zol {

// Translates and runs the Access-dialect text on `db` and stands on the first row.
// `progress` is called now and then while SQLite works towards a row (sorting, say); what
// it throws ends the statement and comes out of this call or of move_next. Throws DbError.
std::unique_ptr<RowSource> stream_access_query(sqlite3* db, std::string_view access_sql,
                                               const std::string& path,
                                               const ProgressFn& progress = {});

}  // namespace zol
