#include "core/safe_open.h"

#include <unistd.h>

#include <cerrno>

#include "core/file_target.h"

namespace zol {

namespace {

// `fd` when it is a regular file, in blocking mode unless `flags` asked otherwise.
UniqueFd kept_if_regular(UniqueFd fd, int flags) {
    if (!fd) return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return UniqueFd();
    if (!S_ISREG(st.st_mode)) {
        errno = kNotRegularFile;
        return UniqueFd();
    }
    if ((flags & O_NONBLOCK) == 0)
        ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

UniqueFd open_regular_at(int dir, const char* name, int flags, mode_t mode) {
    // Non-blocking until the type is known: opening a FIFO would wait for a writer.
    return kept_if_regular(
        UniqueFd(::openat(dir, name, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode)), flags);
}

UniqueFd open_regular_file(const std::filesystem::path& path) {
    return kept_if_regular(UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)),
                           O_RDONLY);
}

UniqueFd open_folder_at(int dir, const char* name) {
    UniqueFd fd(::openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    // A link to a folder is refused as "not a folder": named for what it is.
    if (!fd && errno == ENOTDIR && ::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
        errno = ELOOP;
    return fd;
}

bool owned_privately(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

std::string make_private_folder(const std::filesystem::path& dir) {
    const std::filesystem::path parent = dir.parent_path();
    std::error_code ec;
    // Folders the program makes on the way are private too.
    if (parent != dir && !std::filesystem::exists(parent, ec)) {
        if (std::string why = make_private_folder(parent); !why.empty()) return why;
    }
    const UniqueFd up(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!up) return parent.string() + "：" + file_error_reason(errno);
    const std::string name = dir.filename().string();
    if (::mkdirat(up.get(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return dir.string() + "：" + file_error_reason(errno);
    const UniqueFd fd = open_folder_at(up.get(), name.c_str());
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0) return dir.string() + "：" + file_error_reason(errno);
    if (st.st_uid != ::geteuid()) return dir.string() + " 不屬於這個使用者";
    if ((st.st_mode & 022) != 0) return dir.string() + " 其他使用者也可以寫入";
    return {};
}

}  // namespace zol
