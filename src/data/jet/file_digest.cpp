#include "data/jet/file_digest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "data/db_error.h"

namespace zol {

namespace {

constexpr std::size_t kChunk = 1 << 20;

struct StateDeleter {
    void operator()(XXH3_state_t* s) const { XXH3_freeState(s); }
};

}  // namespace

std::string Digest::hex() const {
    char buf[33];
    std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(high),
                  static_cast<unsigned long long>(low));
    return buf;
}

std::optional<Digest> digest_of(int fd) {
    const std::unique_ptr<XXH3_state_t, StateDeleter> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) == XXH_ERROR) return std::nullopt;
    std::vector<char> buffer(kChunk);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        XXH3_128bits_update(state.get(), buffer.data(), static_cast<std::size_t>(n));
        at += n;
    }
    const XXH128_hash_t h = XXH3_128bits_digest(state.get());
    return Digest{h.high64, h.low64};
}

std::optional<FileState> read_file_state(const std::string& path) {
    const Fd f{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat before {};
    if (f.fd < 0 || ::fstat(f.fd, &before) != 0) {
        throw DbError(path, "無法開啟資料庫檔案（檔案不存在或沒有讀取權限）");
    }
    const auto digest = digest_of(f.fd);
    struct stat after {};
    if (!digest || ::fstat(f.fd, &after) != 0) return std::nullopt;
    const FileStamp stamp = file_stamp(before);
    // Written to while it was read: the digest is of no one state of the file.
    if (!(file_stamp(after) == stamp)) return std::nullopt;
    // A file replaced since it was opened is another file.
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0 || !(file_stamp(now) == stamp)) return std::nullopt;
    return FileState{stamp, *digest};
}

}  // namespace zol
