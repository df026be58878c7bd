// What the databases of one program opened on the same Jet file share: the state of the
// file last proven and, while that is the file's state, its local snapshot. The two data
// controls of a run thus read one state once, and a statement on an unchanged file costs
// one look at the file's stamp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/unique_fd.h"
#include "data/data_options.h"
#include "data/database_file.h"
#include "data/jet/jet_cache.h"
#include "data/jet/jet_snapshot.h"

namespace zol {

// Where the tables of one state are read from: a local snapshot, or, when none could be
// made, the file itself (`direct`): then the reader must check afterwards that the file
// still holds that state.
struct JetSource {
    std::optional<JetSnapshot> snapshot;
    std::string path;  // the file itself
    UniqueFd file;     // the file itself as it was opened, when read directly
    FileState state;
    bool direct() const { return !snapshot; }
    std::string read_path() const {
        return snapshot ? snapshot->read_path() : descriptor_path(file.get());
    }
};

class JetReads {
  public:
    struct Listeners {
        ProgressFn progress;
        NoticeFn notice;
        FileAdmission admit;  // asked of each opening of the file
    };

    // The state of the file at `path` now: the one proven before when its stamp is
    // unchanged, else the one the cache folder `cache_root` recorded for this stamp, else
    // read now (a snapshot taken and kept). Throws FileChanged, or DbError naming `path`.
    FileState current(const std::string& path,
                      const std::optional<std::filesystem::path>& cache_root,
                      const Listeners& listeners);

    // Where to read the tables of the content `state` from: the kept snapshot when it holds
    // that content, else one taken now, which may turn out to hold another (the file has
    // changed: the caller starts again with that state). Throws FileChanged, or DbError
    // naming `path`.
    std::shared_ptr<const JetSource> source(const std::string& path, const FileState& state,
                                            const std::optional<std::filesystem::path>& cache_root,
                                            const Listeners& listeners);

    // The cached table file of `table` in `folder` (JetCacheFolder::find), not read again when this
    // process has found it whole before.
    std::optional<std::filesystem::path> cached_table(JetCacheFolder& folder,
                                                      const std::string& table) {
        return folder.find(table, whole_table_files_);
    }

    // Tables handed to reading children so far, by the databases that share this.
    std::uint64_t tables_read() const { return tables_read_; }
    void count_tables_read(std::size_t tables) { tables_read_ += tables; }

  private:
    struct Known {
        std::optional<FileState> proven;
        long long began_ns = 0;  // when the reading that proved it began
        std::shared_ptr<const JetSource> source;
    };
    std::shared_ptr<const JetSource> read_now(const std::string& path, UniqueFd file, Known& known,
                                              const std::optional<std::filesystem::path>& root,
                                              const Listeners& listeners);

    std::map<std::string, Known> files_;
    WholeTableFiles whole_table_files_;
    std::uint64_t tables_read_ = 0;
};

}  // namespace zol
