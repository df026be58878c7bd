#include "report/database_guard.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "core/package_path.h"
#include "report/report_file.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

// Whether the accounts of a class (the group's or the others' bits) can open a file of a
// known name in `dir`: every folder on the way lets them through.
bool class_reaches(const fs::path& dir, mode_t search_bit) {
    for (fs::path d = dir;; d = d.parent_path()) {
        struct stat st {};
        if (::stat(d.c_str(), &st) != 0 || (st.st_mode & search_bit) == 0) return false;
        if (d == d.root_path() || !d.has_parent_path()) return true;
    }
}

}  // namespace

std::string report_database_problem(std::string_view base_path) {
    const fs::path db = resolve_package_path(std::string(base_path) + "\\mdb\\ZOL.mdb");
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(db, ec))) {
        std::error_code base_ec;
        const fs::path target = fs::canonical(db, ec);
        const fs::path base = fs::canonical(fs::path(std::string(base_path)), base_ec);
        const bool inside =
            !ec && !base_ec &&
            std::mismatch(base.begin(), base.end(), target.begin(), target.end()).first ==
                base.end();
        if (!inside) return db.string() + " 是連往套件資料夾以外的連結，不予使用";
    }
    struct stat file {};
    if (::stat(db.c_str(), &file) != 0) return {};  // the database's own open tells why
    const fs::path reports = fs::absolute(report_path(base_path), ec).parent_path();
    for (const auto& [search, read] : {std::pair{S_IXGRP, S_IRGRP}, std::pair{S_IXOTH, S_IROTH}}) {
        if ((file.st_mode & read) == 0 && class_reaches(reports, search))
            return "資料庫檔案 " + db.string() +
                   " 只有部分使用者能讀取，報表卻會寫進其他使用者也能讀取的 " + reports.string() +
                   "，不予執行";
    }
    return {};
}

}  // namespace zol
