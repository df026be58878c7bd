// Whether the package's database may feed a report into the package's report folder, where
// other clerks may find the file.
#pragma once

#include <string>
#include <string_view>

namespace zol {

// Why not, in words for the user; empty when it may. The database must not be a link leading
// out of the package folder (another clerk could point it at a database only this user can
// read), and a database some accounts cannot read must not give a report those accounts can.
std::string report_database_problem(std::string_view base_path);

}  // namespace zol
