// Local copies of a Jet file: where they go, and whose fault a failure is.
#include "data/jet/jet_snapshot.h"

#include <gtest/gtest.h>

#include "data/db_error.h"
#include "support/jet_files.h"

namespace zol::test {
namespace {

// A local copy goes into the first folder that takes one; without any, the reason names the
// folder. A file that cannot be opened or read is the file's own fault.
TEST(Snapshots, TheFirstFolderThatTakesACopy) {
    const test::TempDir dir;
    const fs::path none = dir / "none";
    const JetSnapshot copy = take_snapshot(test::sample_jet().string(), {none, dir.path()}, {});
    EXPECT_TRUE(test::read_file(copy.read_path()) == test::read_file(test::sample_jet()));
    std::string reason;
    try {
        take_snapshot(test::sample_jet().string(), {none}, {});
    } catch (const SnapshotUnavailable& e) {
        reason = e.what();
    }
    EXPECT_EQ(reason.rfind(none.string() + "：", 0), 0u) << reason;
    const auto failure = [&](const std::string& path) {
        try {
            take_snapshot(path, {dir.path()}, {});
        } catch (const DbError& e) {
            return e.engine_message();
        }
        return std::string("copied");
    };
    EXPECT_EQ(failure((dir / "ZOL.mdb").string()).rfind("無法開啟資料庫檔案（", 0), 0u);
    // Nothing is mapped at offset 0 of this process's memory.
    EXPECT_EQ(failure("/proc/self/mem").rfind("讀取資料庫檔案失敗（", 0), 0u);
}

}  // namespace
}  // namespace zol::test
