#include "core/locked_temp.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <system_error>

#include "core/folder_entries.h"
#include "core/safe_open.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".tmp";
// Names carry 64 random bits: a name taken already means someone is guessing them, and a
// few more draws are all a caller should wait for before it is told the folder is unusable.
constexpr int kNameTries = 16;

std::string unique_part() {
    std::random_device rd;
    return std::to_string(::getpid()) + "." + std::to_string(rd()) + "." + std::to_string(rd());
}

}  // namespace

std::string unguessable_temp_name(const std::string& prefix) {
    return prefix + unique_part() + kSuffix;
}

std::optional<LockedTemp> create_locked_temp(const fs::path& dir, const std::string& prefix,
                                             int mode) {
    const UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return std::nullopt;
    return create_locked_temp(folder.get(), dir, prefix, mode);
}

std::optional<LockedTemp> create_locked_temp(int dir_fd, const fs::path& dir,
                                             const std::string& prefix, int mode) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string unique = unique_part();
        // Made and locked under a name the clean-up never looks at, then given its name.
        // Both names are unguessable, and O_EXCL never opens what someone put there first.
        const std::string birth = ".new." + unique;
        const std::string name = prefix + unique + kSuffix;
        UniqueFd fd(::openat(dir_fd, birth.c_str(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
            ::renameat(dir_fd, birth.c_str(), dir_fd, name.c_str()) != 0) {
            const int err = errno;
            ::unlinkat(dir_fd, birth.c_str(), 0);
            fd.reset();
            errno = err;
            return std::nullopt;
        }
        return LockedTemp{dir / name, std::move(fd)};
    }
    errno = EEXIST;
    return std::nullopt;
}

UniqueFd unnamed_file(const fs::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (fd || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    // File systems without O_TMPFILE: a unique name, gone at once.
    std::string name = (folder / ".unnamed.XXXXXX").string();
    fd.reset(::mkostemp(name.data(), O_CLOEXEC));
    if (fd) ::unlink(name.c_str());
    return fd;
}

bool held_by_nobody(const fs::path& lock) {
    // Only this user's own regular files: a FIFO would hang the open, and another
    // account's file is not ours to judge.
    const UniqueFd fd = open_regular(lock, O_RDONLY);
    struct stat st {};
    return fd && ::fstat(fd.get(), &st) == 0 && st.st_uid == ::geteuid() &&
           ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

void remove_dead_temp_files(const fs::path& dir, const std::string& prefix) {
    std::error_code ec;
    for (const auto& entry : folder_entries(dir)) {
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
