#include "report/big5_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/big5.h"
#include "core/io_loop.h"
#include "report/report_file.h"

namespace zol {

namespace {

constexpr std::size_t kBufferSize = 1 << 18;

}  // namespace

Big5Reader::Big5Reader(const std::filesystem::path& path)
    : own_(std::in_place, path), file_(&*own_), buffer_(kBufferSize) {}

Big5Reader::Big5Reader(const HeldReport& report, off_t start)
    : file_(&report), offset_(start), buffer_(kBufferSize) {}

Big5Reader::~Big5Reader() = default;

bool Big5Reader::fill() {
    pos_ = end_ = 0;
    const ssize_t n = read_at(file_->fd(), buffer_.data(), buffer_.size(), offset_);
    if (n < 0) report_read_failed(path(), errno);
    end_ = static_cast<std::size_t>(n);
    offset_ += n;
    return n > 0;
}

unsigned Big5Reader::with_trail(unsigned char lead) {
    if (pos_ == end_ && !fill()) return lead;
    const unsigned char trail = buffer_[pos_];
    if (!is_big5_trail(trail)) return lead;
    ++pos_;
    return (static_cast<unsigned>(lead) << 8) | trail;
}

int Big5Reader::skip_through(unsigned char a, unsigned char b) {
    for (;;) {
        if (pos_ == end_ && !fill()) return -1;
        const unsigned char* start = buffer_.data() + pos_;
        const std::size_t n = end_ - pos_;
        const void* hit_a = std::memchr(start, a, n);
        const void* hit_b = a == b ? nullptr : std::memchr(start, b, n);
        const unsigned char* hit = static_cast<const unsigned char*>(hit_a);
        if (hit_b != nullptr && (hit == nullptr || hit_b < hit_a)) {
            hit = static_cast<const unsigned char*>(hit_b);
        }
        if (hit != nullptr) {
            pos_ = static_cast<std::size_t>(hit - buffer_.data()) + 1;
            return *hit;
        }
        pos_ = end_;
    }
}

}  // namespace zol
