#include "data/db_error.h"

#include <utility>

#include "core/errno_text.h"
#include "core/safe_open.h"

namespace zol {

namespace {

// A message box shows the file first, then what the engine said about it.
std::string message_text(const std::string& path, const std::string& engine_message) {
    if (path.empty()) return engine_message;
    return path + ": " + engine_message;
}

}  // namespace

std::string cannot_open_database(std::string_view reason) {
    return "無法開啟資料庫檔案（" + std::string(reason) + "）";
}

std::string cannot_open_database(int err) {
    return cannot_open_database(err == kNotRegularFile ? "不是一般檔案" : errno_text(err));
}

std::string cannot_read_database(int err) {
    return "讀取資料庫檔案失敗（" + errno_text(err) + "）";
}

DbError::DbError(std::string path, std::string engine_message)
    : std::runtime_error(message_text(path, engine_message)),
      path_(std::move(path)),
      engine_message_(std::move(engine_message)) {}

std::string maybe_damaged(std::string_view what) {
    return std::string(what) + "，資料庫檔案可能已損毀";
}

}  // namespace zol
