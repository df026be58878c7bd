#include "data/jet/jet_reads.h"

#include <sys/stat.h>

#include <system_error>
#include <vector>

#include "core/safe_open.h"
#include "data/db_error.h"
#include "data/jet/state_record.h"

namespace zol {

namespace fs = std::filesystem;

FileState JetReads::current(const std::string& path, const std::optional<fs::path>& cache_root,
                            const Listeners& listeners) {
    // Opened, not looked up by name: the state proven or recorded for a stamp is then that of
    // a file the admission has seen, whatever the name leads to meanwhile.
    UniqueFd file = open_database_file(path, listeners.admit);
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) throw DbError(path, cannot_read_database(errno));
    const FileStamp stamp = file_stamp(st);
    Known& known = files_[path];
    if (known.proven && known.proven->stamp == stamp && settled_before(stamp, known.began_ns)) {
        return *known.proven;
    }
    if (cache_root) {
        if (const auto record = find_state_record(*cache_root, stamp)) {
            if (known.source && !(known.source->state.digest == record->state.digest)) {
                known.source.reset();
            }
            known.proven = record->state;
            known.began_ns = record->began_ns;
            return record->state;
        }
    }
    return read_now(path, std::move(file), known, cache_root, listeners)->state;
}

std::shared_ptr<const JetSource> JetReads::source(const std::string& path, const FileState& state,
                                                  const std::optional<fs::path>& cache_root,
                                                  const Listeners& listeners) {
    Known& known = files_[path];
    if (known.source && known.source->state.digest == state.digest) return known.source;
    return read_now(path, open_database_file(path, listeners.admit), known, cache_root, listeners);
}

std::shared_ptr<const JetSource> JetReads::read_now(const std::string& path, UniqueFd file,
                                                    Known& known,
                                                    const std::optional<fs::path>& root,
                                                    const Listeners& listeners) {
    known.source.reset();  // the old snapshot's room is given back before a new one takes it
    std::vector<fs::path> folders;
    std::error_code ec;
    // A cache folder another account can write to is not used (the cache tells why).
    const bool own_root = root && make_private_folder(*root).empty();
    if (own_root) folders.push_back(*root);
    if (const fs::path temp = fs::temp_directory_path(ec); !ec) folders.push_back(temp);
    auto source = std::make_shared<JetSource>();
    source->path = path;
    long long began = wall_clock_ns();
    try {
        source->snapshot.emplace(take_snapshot(file.get(), path, folders, listeners.progress));
        began = source->snapshot->began_ns();
        source->state = source->snapshot->state();
    } catch (const SnapshotUnavailable& e) {
        if (listeners.notice) {
            listeners.notice(std::string("無法建立資料庫檔案的本機副本（") + e.what() +
                             "），這次直接讀取資料庫檔案");
        }
        source->state = read_file_state(file.get(), path);
        source->file = std::move(file);
    }
    known.proven = source->state;
    known.began_ns = began;
    known.source = source;
    if (own_root) write_state_record(*root, StateRecord{source->state, began});
    return source;
}

}  // namespace zol
