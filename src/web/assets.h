// The pages' style sheet and scripts, kept as files of their own in src/web/assets (where an
// editor and a linter see them as what they are) and built into the program, so that the
// server needs nothing beside itself.
#pragma once

#include <string_view>

namespace zol::web {

std::string_view style_sheet();
std::string_view query_script();
std::string_view preview_script();

}  // namespace zol::web
