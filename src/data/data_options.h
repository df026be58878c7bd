// How a data control reaches its file: whether Jet tables may be kept in the user's cache
// folder, and who hears how a long read is going.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace zol {

class JetReads;

struct Progress {
    std::string what;        // "讀取資料表 ZOL8_Payment", "寫入報表 ..."
    std::uint64_t rows = 0;  // rows so far
    int done = 0;            // steps finished of `total` (0 of 0: no measure)
    int total = 0;
};

// How a run's progress reads to the clerk, in the window's dialog and on the web page.
inline constexpr const char* kProgressTitle = "報表處理中";
inline std::string progress_label(const Progress& p) {
    return p.what + "\n已處理 " + std::to_string(p.rows) + " 筆";
}

// Called now and then during long work, on the thread doing it. It may throw (a Cancel
// pressed, say); the work then stops and everything it was making is thrown away.
using ProgressFn = std::function<void(const Progress&)>;

// Hears of something that went otherwise than planned without changing the result (the
// cache folder could not be used, say): a line for a terminal, nothing for a window.
using NoticeFn = std::function<void(const std::string&)>;

// The database file as a run just opened it, before anything of it is read.
struct OpenedFile {
    int fd;
    const std::string& path;  // the name it was opened by
    bool through_link;        // that name was a link, followed
};

// Asked of every opening of the database file: why the file opened must not be read (in
// words for the user), or empty. Asked of the descriptor, not of the name, which another
// account may point elsewhere between a look and an open.
using FileAdmission = std::function<std::string(const OpenedFile&)>;

struct DataOptions {
    // Tables read from a Jet file are kept in (and taken from) the user's cache folder.
    bool use_cache = true;
    ProgressFn progress;
    NoticeFn notice;
    // Shared by the data controls of one program, so that they read one state of a Jet file
    // once; none: each database keeps its own.
    std::shared_ptr<JetReads> reads = nullptr;
    // The content of a Jet file to read (Database::snapshot_id of an earlier run), from the
    // cache folder alone, so that an export gives the rows of the report it was made with;
    // empty: the file as it is now.
    std::string pinned_state = {};
    // None: any regular file at the name is read.
    FileAdmission admit = nullptr;
};

// What a progress listener throws to stop a run.
class RunCancelled : public std::runtime_error {
  public:
    RunCancelled() : std::runtime_error("已取消") {}
};

}  // namespace zol
