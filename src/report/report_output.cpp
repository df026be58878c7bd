#include "report/report_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "core/big5.h"
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

std::string temp_name(const std::filesystem::path& target) {
    std::random_device rd;
    return "." + target.filename().string() + "." + std::to_string(rd()) + ".tmp";
}

}  // namespace

ReportOutput::ReportOutput(std::filesystem::path target) : target_(std::move(target)) {
    buffer_.reserve(kFlushSize + 4096);
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = target_.parent_path() / temp_name(target_);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) fail("無法建立報表檔", errno);
}

ReportOutput::~ReportOutput() {
    if (fd_ >= 0) {
        ::close(fd_);
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
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("無法寫入報表檔", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void ReportOutput::commit() {
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        fail("無法寫入報表檔", err);
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        fail("無法寫入報表檔", err);
    }
}

void ReportOutput::fail(const char* what, int err) {
    throw ReportError(
        std::string(what) + "：" + target_.string() + "（" + std::strerror(err) + "）", target_);
}

}  // namespace zol
