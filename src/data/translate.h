// Access (Jet) dialect -> SQLite text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zol {

// Translates one statement: #date# literals, & concatenation, iif, Yes/No, keywords glued
// to numbers or quotes, ... Throws DbError (with an empty path) on text it cannot read.
std::string translate_access_sql(std::string_view access_sql);

// Names of the tables a statement reads (after FROM and JOIN), as spelled in it.
std::vector<std::string> tables_named(std::string_view access_sql);

}  // namespace zol
