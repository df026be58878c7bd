// SQL quoting of texts and names for statements that this program builds itself.
#pragma once

#include <string>
#include <string_view>

namespace zol {

// 'text' with inner quotes doubled: a string literal whatever the text holds.
std::string sql_text(std::string_view text);
// "name" with inner quotes doubled: an identifier whatever the name holds.
std::string sql_identifier(std::string_view name);

}  // namespace zol
