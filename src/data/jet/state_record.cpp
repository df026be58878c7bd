#include "data/jet/state_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "core/folder_entries.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "core/unique_fd.h"
#include "data/jet/jet_snapshot.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "state-";
constexpr const char* kTempPrefix = ".state.";
// device inode size mtime ctime digest began
constexpr const char* kWriteFormat =
    "zol5300-state 1 %llu %llu %lld %lld %lld %016llx%016llx %lld\n";
constexpr const char* kReadFormat = "zol5300-state 1 %llu %llu %lld %lld %lld %16llx%16llx %lld";
// Records of states long gone are of no use; a few dozen cover every package in use.
constexpr std::size_t kRecordsKept = 64;

std::string record_name(const FileStamp& s) {
    const long long fields[] = {static_cast<long long>(s.device), static_cast<long long>(s.inode),
                                static_cast<long long>(s.size), s.mtime_ns, s.ctime_ns};
    char name[32];
    std::snprintf(name, sizeof name, "%s%016llx", kPrefix,
                  static_cast<unsigned long long>(XXH3_64bits(fields, sizeof fields)));
    return name;
}

void prune(const fs::path& root) {
    std::error_code ec;
    std::vector<std::pair<fs::file_time_type, fs::path>> records;
    for (const auto& e : folder_entries(root)) {
        if (e.path().filename().string().rfind(kPrefix, 0) == 0) {
            records.emplace_back(e.last_write_time(ec), e.path());
        }
    }
    if (records.size() <= kRecordsKept) return;
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a > b; });
    for (std::size_t i = kRecordsKept; i < records.size(); ++i) fs::remove(records[i].second, ec);
}

}  // namespace

std::optional<StateRecord> find_state_record(const fs::path& root, const FileStamp& stamp) {
    const UniqueFd fd(::open((root / record_name(stamp)).c_str(),
                             O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    // Only a record this user wrote and nobody else could have changed proves anything.
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 022) != 0) {
        return std::nullopt;
    }
    char text[256] = {};
    if (read_at(fd.get(), text, sizeof text - 1, 0) <= 0) return std::nullopt;
    unsigned long long device = 0, inode = 0, high = 0, low = 0;
    long long size = 0;
    StateRecord r;
    if (std::sscanf(text, kReadFormat, &device, &inode, &size, &r.state.stamp.mtime_ns,
                    &r.state.stamp.ctime_ns, &high, &low, &r.began_ns) != 8) {
        return std::nullopt;
    }
    r.state.digest = Digest{high, low};
    r.state.stamp.device = static_cast<dev_t>(device);
    r.state.stamp.inode = static_cast<ino_t>(inode);
    r.state.stamp.size = static_cast<off_t>(size);
    if (!(r.state.stamp == stamp) || !settled_before(stamp, r.began_ns)) return std::nullopt;
    return r;
}

void write_state_record(const fs::path& root, const StateRecord& r) {
    const FileStamp& s = r.state.stamp;
    if (!settled_before(s, r.began_ns)) return;
    std::error_code ec;
    fs::create_directories(root, ec);
    remove_dead_temp_files(root, kTempPrefix);
    auto temp = create_locked_temp(root, kTempPrefix, 0600);
    if (!temp) return;
    char text[256];
    const int n =
        std::snprintf(text, sizeof text, kWriteFormat, static_cast<unsigned long long>(s.device),
                      static_cast<unsigned long long>(s.inode), static_cast<long long>(s.size),
                      s.mtime_ns, s.ctime_ns, static_cast<unsigned long long>(r.state.digest.high),
                      static_cast<unsigned long long>(r.state.digest.low), r.began_ns);
    // Readers see the old record or the new one whole.
    if (n <= 0 || !write_all(temp->fd.get(), text, static_cast<std::size_t>(n)) ||
        ::rename(temp->path.c_str(), (root / record_name(s)).c_str()) != 0) {
        ::unlink(temp->path.c_str());
        return;
    }
    prune(root);
}

}  // namespace zol
