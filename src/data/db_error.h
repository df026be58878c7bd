// Every failure of the database becomes this: the file and the engine's own message.
#pragma once

#include <stdexcept>
#include <string>

namespace zol {

class DbError : public std::runtime_error {
public:
    DbError(std::string path, std::string engine_message);
    const std::string& path() const { return path_; }
    const std::string& engine_message() const { return engine_message_; }

private:
    std::string path_;
    std::string engine_message_;
};

}  // namespace zol
