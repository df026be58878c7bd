#include "report/report_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/big5.h"
#include "core/file_target.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "core/safe_open.h"
#include "report/report_file.h"

namespace zol {

namespace {

constexpr const char* kCannotCreate = "無法建立報表檔";
constexpr const char* kCannotWrite = "無法寫入報表檔";

constexpr std::size_t kFlushSize = 1 << 20;

bool others_may_write(mode_t mode) {
    return (mode & (S_IWGRP | S_IWOTH)) != 0;
}

bool is_ascii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

ReportOutput::ReportOutput(std::filesystem::path target)
    : target_(std::move(target)), name_(target_.filename().string()) {
    buffer_.reserve(kFlushSize + 4096);
    const std::filesystem::path dir = target_.parent_path();
    const UniqueFd package(::open(dir.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!package) fail(kCannotCreate, errno);
    // A package folder without its report folder gets one; a missing package folder does not.
    // Made and entered by its descriptor: in a folder others may write to, a link put in
    // its place would send the report elsewhere.
    const std::string folder = dir.filename().string();
    if (::mkdirat(package.get(), folder.c_str(), 0777) != 0 && errno != EEXIST)
        fail(kCannotCreate, errno);
    dir_ = open_folder_at(package.get(), folder.c_str());
    if (!dir_) fail(kCannotCreate, errno, dir);
    // What runs that died while they wrote left behind.
    remove_dead_temp_files(dir, temp_prefix(target_));
    // Private while it is written: nobody else may open it and keep a way to change it.
    auto temp = create_locked_temp(dir_.get(), dir, temp_prefix(target_), 0600);
    if (!temp) fail(kCannotCreate, errno);
    temp_name_ = temp->path.filename().string();
    fd_ = std::move(temp->fd);
    if (others_may_write(placed_mode())) {
        // The placed report will be one that other accounts may write in place: this
        // run's previews, finds and prints read a copy of its own instead.
        std::error_code ec;
        const std::filesystem::path local = std::filesystem::temp_directory_path(ec);
        if (!ec) own_copy_ = unnamed_file(local);
    }
}

ReportOutput::~ReportOutput() {
    if (fd_) {
        fd_.reset();
        ::unlinkat(dir_.get(), temp_name_.c_str(), 0);
    }
}

void ReportOutput::text(std::string_view utf8) {
    if (is_ascii(utf8)) {
        buffer_ += utf8;
    } else {
        buffer_ += to_big5(utf8);
    }
    buffer_ += "\r\n";
    if (buffer_.size() >= kFlushSize) flush();
}

void ReportOutput::control(std::string_view bytes) {
    buffer_ += bytes;
    buffer_ += "\r\n";
}

void ReportOutput::empty_line() {
    buffer_ += "\r\n";
}

void ReportOutput::flush() {
    if (!write_all(fd_.get(), buffer_.data(), buffer_.size())) fail(kCannotWrite, errno);
    // Without its own copy (a full temporary folder) the run holds the placed report instead.
    if (own_copy_ && !write_all(own_copy_.get(), buffer_.data(), buffer_.size())) own_copy_.reset();
    buffer_.clear();
}

mode_t ReportOutput::placed_mode() const {
    struct stat st {};
    if (::fstatat(dir_.get(), name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    // A report folder that several clerks share (writable by all, sticky): the next clerk's
    // run, which cannot replace this file there, must be able to write it in place.
    if (::fstat(dir_.get(), &st) == 0 && (st.st_mode & S_IWOTH) != 0 && (st.st_mode & S_ISVTX) != 0)
        return 0666;
    return new_file_mode();
}

std::shared_ptr<const HeldReport> ReportOutput::commit() {
    flush();
    // On the disk before it takes the old report's name: a crash of the machine or the file
    // server then leaves the old report or the new one, never an empty file.
    if (::fdatasync(fd_.get()) != 0) fail(kCannotWrite, errno);
    // The temporary file stays open (and locked) until it is in place or copied.
    struct stat old {};
    const bool exists = ::fstatat(dir_.get(), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    const mode_t mode = placed_mode();
    if (::renameat(dir_.get(), temp_name_.c_str(), dir_.get(), name_.c_str()) == 0) {
        // The old file's permission bits (or the usual ones) only once it is in place: until
        // then nobody else could open the file this run holds.
        ::fchmod(fd_.get(), mode);
        UniqueFd held = others_may_write(mode) && own_copy_ ? std::move(own_copy_) : std::move(fd_);
        fd_.reset();  // its name is the report's now, not to be removed
        return std::make_shared<const HeldReport>(target_, std::move(held));
    }
    const int err = errno;
    // A shared report folder with the sticky bit lets nobody replace another user's file,
    // though the file itself may be writable: then it is written in place.
    UniqueFd written = exists ? write_in_place(err, old) : UniqueFd();
    const int copy_err = errno;
    ::unlinkat(dir_.get(), temp_name_.c_str(), 0);
    if (!written) {
        fd_.reset();
        fail(kCannotWrite, exists ? copy_err : err);
    }
    // The file at the name is another clerk's, which its owner and others may change at any
    // time: the run holds its own temporary file, private and now without a name.
    return std::make_shared<const HeldReport>(target_, std::move(fd_));
}

UniqueFd ReportOutput::write_in_place(int rename_error, const struct stat& old) {
    errno = rename_error;
    if (rename_error != EPERM && rename_error != EACCES) return UniqueFd();
    if (!S_ISREG(old.st_mode)) {
        errno = S_ISLNK(old.st_mode) ? ELOOP : kNotRegularFile;
        return UniqueFd();
    }
    // Never through a link, never a FIFO: only a regular file this user may write, and one
    // that has no other name: a hard link would carry the report into someone else's file.
    UniqueFd out = open_regular_at(dir_.get(), name_.c_str(), O_RDWR);
    struct stat st {};
    if (!out || ::fstat(out.get(), &st) != 0) return UniqueFd();
    if (st.st_nlink != 1) {
        errno = EMLINK;
        return UniqueFd();
    }
    if (::fstat(fd_.get(), &st) != 0) return UniqueFd();
    // The whole new report in memory, so that the old bytes are gone for no longer than one
    // write of it.
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    if (read_full_at(fd_.get(), bytes.data(), bytes.size(), 0) !=
        static_cast<ssize_t>(bytes.size()))
        return UniqueFd();
    // Room reserved before the old bytes are touched: a full disk leaves them whole.
    if (const int e = ::posix_fallocate(out.get(), 0, std::max<off_t>(st.st_size, 1)); e != 0) {
        errno = e;
        return UniqueFd();
    }
    if (!write_all_at(out.get(), bytes.data(), bytes.size(), 0) ||
        ::ftruncate(out.get(), st.st_size) != 0 || ::fdatasync(out.get()) != 0)
        return UniqueFd();
    return out;
}

void ReportOutput::fail(const char* what, int err, const std::filesystem::path& at) {
    const std::string where = at.empty() ? std::string() : at.string() + "：";
    throw ReportError(
        std::string(what) + "：" + target_.string() + "（" + where + file_error_reason(err) + "）",
        target_);
}

}  // namespace zol
