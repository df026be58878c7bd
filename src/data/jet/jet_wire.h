// The byte stream in which the reading child tells the parent how it is going: the rows
// written to its table file so far, a table the file lacks, and its verdict. The tables
// themselves go into table files (jet_table_file.h), not down this stream. Both ends are
// this program, but the parent still checks every length, since a child that went wrong
// may have written anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zol {

// Child side: buffered writing to a file descriptor. Write errors end the child (the
// parent has gone or given up on it).
// A child whose pipe write fails ends with this code plus the write's errno (errno values
// stay below 150, so the sum is a valid exit code).
inline constexpr int kExitSendFailed = 100;
// Ends a child that cannot go on with the reason `err` in its exit code.
[[noreturn]] void exit_failed(int err);

class JetWireWriter {
  public:
    explicit JetWireWriter(int fd) : fd_(fd) {}
    JetWireWriter(const JetWireWriter&) = delete;
    JetWireWriter& operator=(const JetWireWriter&) = delete;

    // Sent with the verdict.
    void missing_table(std::string_view name);
    // Rows written so far to a table file; sent at once.
    void rows_written(std::uint64_t rows);
    // The child's reason for giving up, in the user's language.
    void failure(std::string_view reason);
    // Everything was written.
    void done();

  private:
    void put_u8(std::uint8_t v) { buf_.push_back(static_cast<char>(v)); }
    void put_u32(std::uint32_t v) { buf_.append(reinterpret_cast<const char*>(&v), 4); }
    void put_bytes(std::string_view s);
    void send();

    int fd_;
    std::string buf_;
};

// Parent side: what the child has said so far, taken from the stream as it arrives.
class JetWireReader {
  public:
    // Takes the next bytes of the stream.
    void take(std::string_view bytes);
    std::uint64_t rows() const { return rows_; }
    bool missing() const { return missing_; }
    // The end mark was read, and nothing after it.
    bool complete() const { return state_ == State::done; }
    // The child's reason for giving up, when it gave one.
    const std::string& failure() const { return failure_; }

  private:
    enum class State { reading, done, failed, malformed };
    void parse();
    // Takes the frame at the head of `s`; returns its length, 0 when it is not whole yet.
    std::size_t frame(std::string_view s);

    std::string pending_;  // bytes of a frame not yet whole
    State state_ = State::reading;
    std::uint64_t rows_ = 0;
    bool missing_ = false;
    std::string failure_;
};

}  // namespace zol
