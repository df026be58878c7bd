#include "core/file_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "core/text.h"

namespace zol {

namespace {

bool is_stream_mode(mode_t mode) {
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISFIFO(mode) || S_ISSOCK(mode);
}

// The written bytes of `fd` into the stream `target`, opened afresh: never a regular file
// found there by then, never waiting for a FIFO that nobody reads.
std::string write_into_stream(int fd, const std::filesystem::path& target) {
    const UniqueFd out(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!out) return errno == ENXIO ? "沒有程式在接收寫入的資料" : file_error_reason(errno);
    struct stat st {};
    if (::fstat(out.get(), &st) != 0) return file_error_reason(errno);
    if (!is_stream_mode(st.st_mode)) return file_error_reason(ENXIO);
    // Opened without waiting; written with it, as a reader drains a pipe.
    const int flags = ::fcntl(out.get(), F_GETFL);
    if (flags < 0 || ::fcntl(out.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return file_error_reason(errno);
    char piece[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = read_at(fd, piece, sizeof piece, at);
        if (got < 0) return file_error_reason(errno);
        if (got == 0) return {};
        if (!write_all(out.get(), piece, static_cast<std::size_t>(got)))
            return file_error_reason(errno);
        at += got;
    }
}

}  // namespace

bool is_stream(const std::filesystem::path& target) {
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 && is_stream_mode(st.st_mode);
}

std::string replace_refusal(const std::filesystem::path& target) {
    if (is_stream(target)) return {};
    struct stat st {};
    // A link is never written through: in a shared folder it may be another account's.
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return file_error_reason(ELOOP);
    if (::stat(target.c_str(), &st) != 0) return {};
    if (S_ISDIR(st.st_mode)) return file_error_reason(EISDIR);
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return "檔案唯讀";
    return {};
}

std::optional<mode_t> existing_mode(const std::filesystem::path& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return st.st_mode & 07777;
}

mode_t new_file_mode() {
    // Read, not set and put back: umask() would change it for every thread meanwhile.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Umask:", 0) == 0)
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 0644;
}

std::string file_error_reason(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
            return "沒有寫入權限";
        case ENOENT:
        case ENOTDIR:
            return "資料夾不存在";
        case ENOSPC:
            return errno_text(ENOSPC);
        case EROFS:
            return "唯讀的檔案系統";
        case EISDIR:
            return "同名的資料夾已存在";
        case ELOOP:
            // A link where the program's own file or folder belongs, perhaps another
            // account's: never written or read through.
            return "該名稱是符號連結，不予使用";
        case ENXIO:
            return "該名稱不是一般檔案";
        case EMLINK:
            // A hard link: the same file under another name, perhaps another account's.
            return "該檔案另有其他名稱（硬連結），不予寫入";
        default:
            return errno_text(err);
    }
}

std::string temp_prefix(const std::filesystem::path& target) {
    return cat(".", target.filename().string(), ".");
}

std::optional<LockedTemp> temp_beside(const std::filesystem::path& target) {
    std::error_code ec;
    const std::filesystem::path dir = is_stream(target) ? std::filesystem::temp_directory_path(ec)
                                      : target.has_parent_path() ? target.parent_path()
                                                                 : ".";
    if (ec) {
        errno = ec.value();
        return std::nullopt;
    }
    remove_dead_temp_files(dir, temp_prefix(target));
    return create_locked_temp(dir, temp_prefix(target), 0600);
}

std::filesystem::path own_file_path(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

std::string put_in_place(int fd, const std::filesystem::path& temp,
                         const std::filesystem::path& target) {
    // On the disk before it takes the target's name: a crash then leaves the old file.
    if (::fsync(fd) != 0) return file_error_reason(errno);
    if (is_stream(target)) {
        std::string why = write_into_stream(fd, target);
        ::unlink(temp.c_str());
        return why;
    }
    if (std::string refusal = replace_refusal(target); !refusal.empty()) return refusal;
    // In a folder others may write to, the temporary name may have been given to something
    // else meanwhile: only the very file written takes the target's place.
    struct stat written {
    }, named{};
    if (::fstat(fd, &written) != 0) return file_error_reason(errno);
    if (::lstat(temp.c_str(), &named) != 0 || named.st_dev != written.st_dev ||
        named.st_ino != written.st_ino)
        return "暫存檔在寫入時被其他程式換掉";
    if (::fchmod(fd, existing_mode(target).value_or(new_file_mode())) != 0)
        return file_error_reason(errno);
    if (std::rename(temp.c_str(), target.c_str()) != 0) return file_error_reason(errno);
    return {};
}

}  // namespace zol
