#include "report/database_guard.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "data/database_file.h"
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

bool lies_in(const fs::path& folder, const fs::path& file) {
    return std::mismatch(folder.begin(), folder.end(), file.begin(), file.end()).first ==
           folder.end();
}

}  // namespace

FileAdmission report_database_admission(std::string_view base_path, const fs::path& report_file) {
    std::error_code ec;
    std::error_code base_ec;
    const fs::path base = fs::canonical(fs::path(std::string(base_path)), base_ec);
    const fs::path reports =
        fs::absolute(report_file.empty() ? report_path(base_path) : report_file, ec).parent_path();
    // The read bits that the accounts able to reach the report folder need; where the
    // report lands does not change during a run, so it is looked at once.
    std::vector<mode_t> readers;
    for (const auto& [search, read] : {std::pair{S_IXGRP, S_IRGRP}, std::pair{S_IXOTH, S_IROTH}})
        if (class_reaches(reports, search)) readers.push_back(read);
    return [base = base_ec ? fs::path() : base, reports, readers](const OpenedFile& f) {
        if (f.through_link) {
            std::error_code link_ec;
            // Where the descriptor leads, not where the name leads by now.
            const fs::path target = fs::read_symlink(descriptor_path(f.fd), link_ec);
            if (base.empty() || link_ec || !lies_in(base, target))
                return f.path + " 是連往套件資料夾以外的連結，不予使用";
        }
        struct stat file {};
        if (::fstat(f.fd, &file) != 0) return std::string();  // the reads that follow tell
        for (const mode_t read : readers) {
            if ((file.st_mode & read) == 0)
                return "資料庫檔案 " + f.path +
                       " 只有部分使用者能讀取，報表卻會寫進其他使用者也能讀取的 " +
                       reports.string() + "，不予執行";
        }
        return std::string();
    };
}

}  // namespace zol
