// Whether the package's database may feed a report into the package's report folder, where
// other clerks may find the file.
#pragma once

#include <filesystem>
#include <string_view>

#include "data/data_options.h"

namespace zol {

// What a run writing the report of the package at `base_path` asks of each opening of the
// package's database: the file opened must not be reached through a link leading out of the
// package folder (another clerk could point it at a database only this user can read), and a
// database some accounts cannot read must not give a report those accounts can.
// `report_file` is where the report goes (empty: the package's report file).
FileAdmission report_database_admission(std::string_view base_path,
                                        const std::filesystem::path& report_file = {});

}  // namespace zol
