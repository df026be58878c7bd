// Placeholder: Jet files are recognised but not read yet.
#include "data/jet_database.h"

#include "data/database.h"
#include "data/db_error.h"

namespace zol {

bool looks_like_jet(const std::string& first_bytes) {
    return first_bytes.size() >= 19 && first_bytes.compare(4, 15, "Standard Jet DB") == 0;
}

std::shared_ptr<Database> open_jet_database(const std::string& path, const std::string&) {
    throw DbError(path, "此資料庫格式 (Access/Jet) 目前尚無法讀取");
}

}  // namespace zol
