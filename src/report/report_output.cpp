#include "report/report_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/big5.h"
#include "core/file_target.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "report/report_file.h"

namespace zol {

namespace {

constexpr std::size_t kFlushSize = 1 << 20;

bool is_ascii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::string temp_prefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".";
}

// Copies the whole of `from` over the file `to`, truncated first. False (errno set) when
// it cannot.
bool copy_over(int from, const std::filesystem::path& to) {
    const int out = ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) return false;
    std::string buffer(kFlushSize, '\0');
    bool ok = true;
    for (off_t at = 0; ok;) {
        const ssize_t n = read_at(from, buffer.data(), buffer.size(), at);
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = write_all(out, buffer.data(), static_cast<std::size_t>(n));
        at += n;
    }
    ok = ok && ::fdatasync(out) == 0;
    const int err = errno;
    if (::close(out) != 0 && ok) return false;
    errno = err;
    return ok;
}

}  // namespace

ReportOutput::ReportOutput(std::filesystem::path target) : target_(std::move(target)) {
    buffer_.reserve(kFlushSize + 4096);
    const std::filesystem::path dir = target_.parent_path();
    // A package folder without its report folder gets one; a missing package folder does not.
    if (::access(dir.c_str(), F_OK) != 0) ::mkdir(dir.c_str(), 0777);
    // What runs that died while they wrote left behind.
    remove_dead_temp_files(dir, temp_prefix(target_));
    auto temp = create_locked_temp(dir, temp_prefix(target_), 0666);
    if (!temp) fail("無法建立報表檔", errno);
    temp_ = temp->path;
    fd_ = std::move(temp->fd);
}

ReportOutput::~ReportOutput() {
    if (fd_) {
        fd_.reset();
        ::unlink(temp_.c_str());
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
    if (!write_all(fd_.get(), buffer_.data(), buffer_.size())) fail("無法寫入報表檔", errno);
    buffer_.clear();
}

void ReportOutput::commit() {
    flush();
    // The temporary file stays open (and locked) until it is in place or copied.
    const auto mode = existing_mode(target_);
    if (mode) ::fchmod(fd_.get(), *mode);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        bool written = false;
        // A shared report folder with the sticky bit lets nobody replace another user's
        // file, though the file itself may be writable: then it is written in place.
        if ((err == EPERM || err == EACCES) && mode && replace_refusal(target_).empty()) {
            written = copy_over(fd_.get(), target_);
            if (!written) err = errno;
        }
        ::unlink(temp_.c_str());
        fd_.reset();
        if (!written) fail("無法寫入報表檔", err);
        return;
    }
    fd_.reset();
}

void ReportOutput::fail(const char* what, int err) {
    throw ReportError(
        std::string(what) + "：" + target_.string() + "（" + std::strerror(err) + "）", target_);
}

}  // namespace zol
