// Proven states of Jet files, kept in the cache folder: a file whose stamp equals one
// recorded here holds the recorded content, so a later statement, in this process or
// another, knows what the file holds without reading it.
//
// Why a stamp can stand for the bytes: a stamp includes the change time, which the system
// sets to its own clock on every write and every change of the times or the name, and which
// no program can set back. A file written again shows a new change time, even when the
// writer restores the modification time afterwards (`touch -r`, `tar`, `cp -p`, a backup
// restored with its old times). The one exception is a write within the same tick of a
// coarse clock (whole seconds on FAT and many SMB servers): a record is trusted only when
// the stamp's times were older than the racy margin when its reading began (see
// settled_before), as version control trusts its index.
#pragma once

#include <filesystem>
#include <optional>

#include "data/jet/file_digest.h"

namespace zol {

struct StateRecord {
    FileState state;
    long long began_ns = 0;  // when the reading that digested it began (wall clock)
};

// The record for `stamp` in the folder `root`, when there is one that this user wrote and
// that is settled; nullopt otherwise.
std::optional<StateRecord> find_state_record(const std::filesystem::path& root,
                                             const FileStamp& stamp);

// Keeps `record` in `root` (only a settled one: any other is of no use later). Quietly does
// nothing when it cannot: the state is then proven by reading the file again.
void write_state_record(const std::filesystem::path& root, const StateRecord& record);

}  // namespace zol
