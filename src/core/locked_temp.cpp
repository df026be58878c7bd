#include "core/locked_temp.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

namespace zol {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".tmp";

std::string unique_part() {
    std::random_device rd;
    return std::to_string(::getpid()) + "." + std::to_string(rd()) + "." + std::to_string(rd());
}

}  // namespace

std::optional<LockedTemp> create_locked_temp(const fs::path& dir, const std::string& prefix,
                                             int mode) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string unique = unique_part();
        // Made and locked under a name the clean-up never looks at, then given its name.
        const fs::path birth = dir / (".new." + unique);
        const fs::path path = dir / (prefix + unique + kSuffix);
        const int fd = ::open(birth.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::rename(birth.c_str(), path.c_str()) != 0) {
            const int err = errno;
            ::unlink(birth.c_str());
            ::close(fd);
            errno = err;
            return std::nullopt;
        }
        return LockedTemp{path, UniqueFd(fd)};
    }
    errno = EEXIST;
    return std::nullopt;
}

bool held_by_nobody(const fs::path& lock) {
    const UniqueFd fd(::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    return fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

void remove_dead_temp_files(const fs::path& dir, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, kSuffix) != 0) {
            continue;
        }
        // Held by its writer: still being written.
        if (held_by_nobody(entry.path())) ::unlink(entry.path().c_str());
    }
}

}  // namespace zol
