// What a file holds, told by a digest of every byte (XXH3, 128 bits): the only proof that
// two readings of a file saw the same content. A file's size and times say nothing of
// that: a backup restored with its old time, or a rewrite within one tick of a coarse
// clock, keeps them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/jet/file_stamp.h"

namespace zol {

struct Digest {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    friend bool operator==(const Digest&, const Digest&) = default;
    // kDigestHexDigits lower-case hex digits.
    std::string hex() const;
};
inline constexpr std::size_t kDigestHexDigits = 32;

// The digest written as hex(); nullopt for any other text.
std::optional<Digest> digest_from_hex(std::string_view hex);

// A digest built from bytes as they come.
class Digester {
  public:
    Digester();
    ~Digester();
    Digester(const Digester&) = delete;
    Digester& operator=(const Digester&) = delete;
    void update(const void* data, std::size_t size);
    Digest result() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest of everything an open descriptor's file holds, read from its start; nullopt
// when it cannot be read to its end. Leaves the descriptor's offset alone.
std::optional<Digest> digest_of(int fd);

// A file's state as one reading of it saw it: its stamp and the digest of its bytes.
struct FileState {
    FileStamp stamp;
    Digest digest;
    friend bool operator==(const FileState&, const FileState&) = default;
};

// The one way a reading tells that the file changed while it was read (its stamp moved, it
// was cut short, replaced, or could not be read to its end): what was read is of no one
// state of the file, and the statement tries again.
class FileChanged : public std::exception {
  public:
    const char* what() const noexcept override { return "the file changed while it was read"; }
};

// Reads the file open at `fd` (opened by the name `path`) whole. Throws FileChanged, or
// DbError naming the file when it cannot be read at all.
FileState read_file_state(int fd, const std::string& path);

}  // namespace zol
