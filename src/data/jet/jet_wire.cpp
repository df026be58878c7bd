// Encoding and decoding of the child's stream. A frame is a tag byte and what the tag
// says follows: 'M' a length-prefixed table name, 'N' a row count (8 bytes), 'F' a
// length-prefixed reason, 'Z' nothing.
#include "data/jet/jet_wire.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/io_loop.h"

namespace zol {

namespace {

enum Tag : char {
    kMissing = 'M',
    kRows = 'N',
    kFailure = 'F',
    kDone = 'Z',
};

}  // namespace

void exit_failed(int err) {
    ::_exit(kExitSendFailed + (err > 0 && err < 150 ? err : EIO));
}

void JetWireWriter::put_bytes(std::string_view s) {
    put_u32(static_cast<std::uint32_t>(s.size()));
    buf_.append(s);
}

void JetWireWriter::send() {
    if (!write_all(fd_, buf_.data(), buf_.size())) {
        // Nothing more can be sent: the exit code tells the parent why.
        exit_failed(errno);
    }
    buf_.clear();
}

void JetWireWriter::missing_table(std::string_view name) {
    put_u8(kMissing);
    put_bytes(name);
}
void JetWireWriter::rows_written(std::uint64_t rows) {
    put_u8(kRows);
    buf_.append(reinterpret_cast<const char*>(&rows), 8);
    send();
}
void JetWireWriter::failure(std::string_view reason) {
    put_u8(kFailure);
    put_bytes(reason);
    send();
}
void JetWireWriter::done() {
    put_u8(kDone);
    send();
}

void JetWireReader::take(std::string_view bytes) {
    if (bytes.empty() || state_ == State::failed || state_ == State::malformed) return;
    // Anything after the end mark: the stream is not what a sound child writes.
    if (state_ == State::done) {
        state_ = State::malformed;
        return;
    }
    pending_.append(bytes);
    parse();
}

void JetWireReader::parse() {
    std::size_t at = 0;
    while (state_ == State::reading && at < pending_.size()) {
        const std::size_t used = frame(std::string_view(pending_).substr(at));
        if (used == 0) break;
        at += used;
    }
    pending_.erase(0, at);
}

std::size_t JetWireReader::frame(std::string_view s) {
    // A length-prefixed text after the tag; its frame's length, 0 when not whole yet.
    std::string_view text;
    const auto take_text = [&]() -> std::size_t {
        std::uint32_t n = 0;
        if (s.size() < 5) return 0;
        std::memcpy(&n, s.data() + 1, 4);
        if (n > s.size() - 5) return 0;
        text = s.substr(5, n);
        return 5 + n;
    };
    std::size_t used = 0;
    switch (s[0]) {
        case kMissing:
            if ((used = take_text())) missing_ = true;
            return used;
        case kRows:
            if (s.size() < 9) return 0;
            std::memcpy(&rows_, s.data() + 1, 8);
            return 9;
        case kFailure:
            if ((used = take_text())) {
                failure_.assign(text);
                state_ = State::failed;
            }
            return used;
        case kDone:
            state_ = s.size() == 1 ? State::done : State::malformed;
            return 1;
        default:
            state_ = State::malformed;
            return 0;
    }
}

}  // namespace zol
