// One state of the Jet file as a private local copy. The file usually lies on the office
// file server, where every byte read crosses the LAN and libmdb reads in small requests
// (and each data page twice): the file is read once, in large sequential reads, into a copy
// that the reading children read instead. The copy has no name (O_TMPFILE, or unlinked at
// once), so it is gone with the process however the process ends; children reach it through
// their inherited descriptor.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/unique_fd.h"
#include "data/data_options.h"
#include "data/jet/file_digest.h"

namespace zol {

// A file's times within this much of the moment a reading began may still be followed by a
// write that leaves them as they are: file systems that keep times in whole seconds (FAT,
// many SMB servers) or in clock ticks. Only a state whose times are older than that when its
// reading began is one state by construction.
inline constexpr long long kRacyMarginNs = 2'000'000'000LL;

// Now on the wall clock, in nanoseconds since the epoch, as file times are kept.
long long wall_clock_ns();

// True when a reading that began at `began_ns` saw one state of a file stamped `stamp`: its
// times are older than the reading by the racy margin.
bool settled_before(const FileStamp& stamp, long long began_ns);

// No local copy can be made (no folder, no room): the caller reads the file where it lies.
class SnapshotUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class JetSnapshot {
  public:
    JetSnapshot(UniqueFd fd, FileState state, long long began_ns)
        : fd_(std::move(fd)), state_(state), began_ns_(began_ns) {}
    // What the reading children open: the copy through this process's descriptor table,
    // which a forked child inherits.
    std::string read_path() const;
    const FileState& state() const { return state_; }
    long long began_ns() const { return began_ns_; }

  private:
    UniqueFd fd_;
    FileState state_;
    long long began_ns_;
};

// Copies the file at `path` into an unnamed file in the first of `folders` that takes one,
// digesting it on the way, once its times are older than the racy margin (it waits for
// that, up to the margin). Throws FileChanged when the file changed while it was copied or
// was replaced meanwhile, DbError naming `path` when it cannot be opened or read,
// SnapshotUnavailable when no folder takes the copy. `progress` hears how far the copy is.
JetSnapshot take_snapshot(const std::string& path,
                          const std::vector<std::filesystem::path>& folders,
                          const ProgressFn& progress);
// The same of the file open at `in` (opened by the name `path`).
JetSnapshot take_snapshot(int in, const std::string& path,
                          const std::vector<std::filesystem::path>& folders,
                          const ProgressFn& progress);

}  // namespace zol
