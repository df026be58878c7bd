// Replays the fuzzers' seeds and every input they once found trouble with, so that a fixed
// crash stays fixed in the normal suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/targets/targets.h"

namespace fs = std::filesystem;

namespace {

using Entry = int (*)(const std::uint8_t*, std::size_t);

int replay(const std::string& target, Entry entry) {
    int count = 0;
    for (const char* root : {"/fuzz/seeds/", "/tests/fixtures/fuzz/"}) {
        const fs::path dir = fs::path(ZOL_SOURCE_DIR + std::string(root) + target);
        if (!fs::is_directory(dir)) continue;
        for (const auto& f : fs::directory_iterator(dir)) {
            std::ifstream in(f.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            SCOPED_TRACE(f.path().string());
            EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
            ++count;
        }
    }
    return count;
}

}  // namespace

TEST(FuzzReplay, EveryKeptInputRunsCleanly) {
    EXPECT_GT(replay("translate", zol::fuzz::translate), 0);
    EXPECT_GT(replay("jet", zol::fuzz::jet), 0);
    EXPECT_GT(replay("report_reader", zol::fuzz::report_reader), 0);
    EXPECT_GT(replay("command_line", zol::fuzz::command_line), 0);
    EXPECT_GT(replay("masked_date", zol::fuzz::masked_date), 0);
}
