// Runs the libmdb reading in a forked child and collects its stream, so that a crash, a
// runaway loop or a flood of output caused by a damaged file ends as a clear DbError in
// this process instead of taking it down.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

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

// Reads `tables` of the (already checked) Jet 4 file in a child process and returns its
// complete stream, which ends with the end mark. Throws DbError naming the file and the
// reason when the child fails, crashes, is killed or overruns a limit.
std::string read_jet_stream(const std::string& path, std::uint64_t page_count,
                            const std::vector<std::string>& tables, const JetReadLimits& limits);

}  // namespace zol
