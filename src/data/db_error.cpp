#include "data/db_error.h"

#include <utility>

namespace zol {

namespace {

// A message box shows the file first, then what the engine said about it.
std::string message_text(const std::string& path, const std::string& engine_message) {
    if (path.empty()) return engine_message;
    return path + ": " + engine_message;
}

}  // namespace

DbError::DbError(std::string path, std::string engine_message)
    : std::runtime_error(message_text(path, engine_message)),
      path_(std::move(path)),
      engine_message_(std::move(engine_message)) {}

}  // namespace zol
