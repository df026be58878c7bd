// Jet files as other programs change them: rewritten in place with their times kept, and the
// sample package with three amounts changed.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "data/jet/jet_snapshot.h"
#include "support/files.h"

namespace zol::test {

// Writes `bytes` over the start of the file, keeping its inode, size and times: a backup
// restored with its old time, or a rewrite within one tick of a coarse clock.
inline void rewrite_keeping_times(const fs::path& file, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    std::fstream(file, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

// A file written a moment ago is read only once its times are older than the racy margin:
// a test that writes many files waits for that once, before it reads any.
inline void wait_until_settled() {
    std::this_thread::sleep_for(std::chrono::nanoseconds(kRacyMarginNs) +
                                std::chrono::milliseconds(20));
}

// The sample package's Jet file, and the same with three amounts changed: only two data
// pages differ (tests/fixtures/jet/zol-sample-amended.txt lists the changed bytes).
inline fs::path sample_jet() {
    return fs::path(ZOL_TESTDATA_JET) / "zol-sample.mdb";
}
inline std::string amended_sample() {
    std::string bytes = read_file(sample_jet());
    std::ifstream patch(fixture("jet/zol-sample-amended.txt"));
    std::size_t at = 0;
    unsigned value = 0;
    while (patch >> at >> std::hex >> value >> std::dec) bytes.at(at) = static_cast<char>(value);
    return bytes;
}

}  // namespace zol::test
