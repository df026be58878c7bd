// Every failure of the database becomes this: the file and the engine's own message.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zol {

// The file kept changing while it was read: no one state of it could be read whole.
inline constexpr const char* kMsgDatabaseBusy = "資料庫正在被其他程式修改，請稍後再試";
// The file cannot be opened, or its state cannot be read; `reason` says why.
std::string cannot_open_database(std::string_view reason);
// The same for the errno of a failed open of the database file (a FIFO or device someone put
// in its place is named as such).
std::string cannot_open_database(int err);
// Reading the file failed part-way; `err` is the errno of the failed call.
std::string cannot_read_database(int err);

// What a reading that met something no sound file holds says: `what`, and that the file may
// be damaged.
std::string maybe_damaged(std::string_view what);

// The content an earlier run read is no longer kept: it cannot be read again.
inline constexpr const char* kMsgStateGone =
    "資料庫已變更，先前讀取的內容已不在快取資料夾中，請重新查詢";

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
