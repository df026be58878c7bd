// Runs the libmdb reading in a forked child and collects its stream, so that a crash, a
// runaway loop or a flood of output caused by a damaged file ends as a clear DbError in
// this process instead of taking it down.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "data/data_options.h"

namespace zol {

struct JetReadLimits {
    // The child is given up when it sends nothing for this long ...
    std::chrono::milliseconds idle_timeout{15000};
    // ... or runs longer than this in all.
    std::chrono::milliseconds total_timeout{300000};
    // Output allowed per byte of the file (plus a fixed allowance): far more than any real
    // table needs, far less than a loop in a damaged file produces.
    std::uint64_t output_per_file_byte = 32;
    std::uint64_t output_allowance = 64u << 20;
};

struct JetChildJob {
    std::string table;       // as the statement spells it
    std::string table_file;  // an empty SQLite file, made by the caller, that the child fills
};

struct JetChildOutcome {
    bool missing = false;  // the file has no such table (table_file stays empty)
    std::uint64_t rows = 0;
};

// Reads each job's table of the (already checked) Jet 4 file at `read_path` into its table
// file, one child process per table and as many at once as there are cores; `path` names
// the file in errors. `progress` is called
// about ten times a second while they work; what it throws stops them all. Throws DbError
// naming the file and the reason when a child fails, crashes, is killed or overruns a
// limit (the output limit applies to each table file).
std::vector<JetChildOutcome> run_jet_children(const std::string& path, const std::string& read_path,
                                              std::uint64_t page_count,
                                              const std::vector<JetChildJob>& jobs,
                                              const JetReadLimits& limits,
                                              const ProgressFn& progress);

}  // namespace zol
