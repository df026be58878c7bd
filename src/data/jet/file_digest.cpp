#include "data/jet/file_digest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/unique_fd.h"
#include "data/db_error.h"

namespace zol {

namespace {

constexpr std::size_t kChunk = 1 << 20;

}  // namespace

struct Digester::State {
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

Digester::Digester() : state_(std::make_unique<State>()) {
    if (!state_->xxh) throw std::bad_alloc();
    XXH3_128bits_reset(state_->xxh);
}

Digester::~Digester() = default;

void Digester::update(const void* data, std::size_t size) {
    XXH3_128bits_update(state_->xxh, data, size);
}

Digest Digester::result() const {
    const XXH128_hash_t h = XXH3_128bits_digest(state_->xxh);
    return Digest{h.high64, h.low64};
}

std::string Digest::hex() const {
    char buf[33];
    std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(high),
                  static_cast<unsigned long long>(low));
    return buf;
}

std::optional<Digest> digest_from_hex(std::string_view hex) {
    if (hex.size() != kDigestHexDigits ||
        hex.find_first_not_of("0123456789abcdef") != std::string_view::npos) {
        return std::nullopt;
    }
    const auto half = [&](std::size_t at) {
        return std::stoull(std::string(hex.substr(at, 16)), nullptr, 16);
    };
    return Digest{half(0), half(16)};
}

std::optional<Digest> digest_of(int fd) {
    Digester digester;
    std::vector<char> buffer(kChunk);
    for (off_t at = 0;;) {
        const ssize_t n = read_at(fd, buffer.data(), buffer.size(), at);
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        digester.update(buffer.data(), static_cast<std::size_t>(n));
        at += n;
    }
    return digester.result();
}

FileState read_file_state(int fd, const std::string& path) {
    struct stat before {};
    if (::fstat(fd, &before) != 0) throw DbError(path, cannot_read_database(errno));
    const auto digest = digest_of(fd);
    struct stat after {};
    if (!digest || ::fstat(fd, &after) != 0) throw FileChanged();
    const FileStamp stamp = file_stamp(before);
    // Written to while it was read: the digest is of no one state of the file.
    if (!(file_stamp(after) == stamp)) throw FileChanged();
    // A file replaced since it was opened is another file.
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0 || !(file_stamp(now) == stamp)) throw FileChanged();
    return FileState{stamp, *digest};
}

}  // namespace zol
