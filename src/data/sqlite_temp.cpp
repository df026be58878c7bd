#include "data/sqlite_temp.h"

#include <sqlite3.h>

#include "data/db_error.h"
#include "data/jet/table_file_import.h"

namespace zol {

SqliteTempFolder::SqliteTempFolder() {
    try {
        folder_ = std::make_unique<JetTempFolder>(std::string());
    } catch (const DbError&) {
        return;
    }
    // SQLite's documented way to choose the folder of its temporary files for the process.
    sqlite3_temp_directory = sqlite3_mprintf("%s", folder_->dir().c_str());
}

SqliteTempFolder::~SqliteTempFolder() {
    if (!folder_) return;
    sqlite3_free(sqlite3_temp_directory);
    sqlite3_temp_directory = nullptr;
}

}  // namespace zol
