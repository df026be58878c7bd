#include "core/trusted_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include "core/file_target.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

bool owner_trusted(const struct stat& st) {
    return st.st_uid == 0 || st.st_uid == ::geteuid();
}

// A folder on the way: others may write in it only if it keeps each one's names their own
// (the sticky bit, as /tmp and a shared package folder have it).
std::string way_problem(const fs::path& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return dir.string() + "：" + file_error_reason(errno);
    if (!owner_trusted(st)) return dir.string() + " 屬於其他使用者";
    if ((st.st_mode & 022) != 0 && (st.st_mode & S_ISVTX) == 0)
        return dir.string() + " 可被其他使用者更動";
    return {};
}

std::string ways_above(const fs::path& path) {
    for (fs::path dir = path.parent_path(); !dir.empty(); dir = dir.parent_path()) {
        if (std::string why = way_problem(dir); !why.empty()) return why;
        if (dir == dir.root_path()) break;
    }
    return {};
}

// What itself must be this user's or root's, and changed by nobody else.
std::string own_problem(const fs::path& path, const struct stat& st) {
    if (!owner_trusted(st)) return path.string() + " 屬於其他使用者";
    if ((st.st_mode & 022) != 0) return path.string() + " 可被其他使用者更動";
    return {};
}

}  // namespace

std::string untrusted_folder(const fs::path& dir) {
    const fs::path absolute = fs::absolute(dir).lexically_normal();
    struct stat st {};
    if (::lstat(absolute.c_str(), &st) != 0)
        return absolute.string() + "：" + file_error_reason(errno);
    if (S_ISLNK(st.st_mode)) return absolute.string() + "：" + file_error_reason(ELOOP);
    if (!S_ISDIR(st.st_mode)) return absolute.string() + " 不是資料夾";
    if (std::string why = own_problem(absolute, st); !why.empty()) return why;
    return ways_above(absolute);
}

std::string untrusted_program(const fs::path& program) {
    const fs::path absolute = fs::absolute(program).lexically_normal();
    if (std::string why = untrusted_folder(absolute.parent_path()); !why.empty()) return why;
    std::error_code ec;
    const fs::path real = fs::canonical(absolute, ec);
    struct stat st {};
    if (ec || ::stat(real.c_str(), &st) != 0)
        return absolute.string() + "：" + file_error_reason(ec ? ec.value() : errno);
    if (std::string why = own_problem(real, st); !why.empty()) return why;
    return ways_above(real);
}

}  // namespace zol
