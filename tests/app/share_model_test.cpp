// The office share that tests and benchmarks mount: every read reaches it and is counted, its
// times can be whole seconds, and what is written through it lands in the source folder.
#include "support/share_model.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zol::test {
namespace {

TEST(ShareModel, EveryReadReachesTheShareAndIsCounted) {
    if (const auto reason = ShareModel::unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    const TempDir source, mount;
    std::string content(3 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 / 5);
    write_file(source / "mdb/ZOL.mdb", content);
    const ShareModel share(source.path(), mount.path(), {0, 0, false});
    // Page-aligned: the kernel splits a direct read at 256 pages of the reader's buffer, so an
    // unaligned 1 MiB read would take two requests.
    const std::unique_ptr<char, decltype(&std::free)> buf(
        static_cast<char*>(std::aligned_alloc(4096, 1 << 20)), &std::free);
    const int fd = ::open((mount / "mdb/ZOL.mdb").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (const off_t at : {0, 1 << 20, 2 << 20}) {
        ASSERT_EQ(::pread(fd, buf.get(), 1 << 20, at), 1 << 20);
        EXPECT_EQ(std::string(buf.get(), 1 << 20), content.substr(at, 1 << 20));
    }
    EXPECT_EQ(share.reads("mdb/ZOL.mdb").bytes, 3u << 20);
    EXPECT_EQ(share.reads("mdb/ZOL.mdb").requests, 3u);
    // Read again: nothing is served from a cache on the client.
    EXPECT_EQ(::pread(fd, buf.get(), 4096, 0), 4096);
    ::close(fd);
    EXPECT_EQ(share.reads("mdb/ZOL.mdb").bytes, (3u << 20) + 4096);
    EXPECT_EQ(share.reads("mdb/ZOL.mdb").requests, 4u);
}

TEST(ShareModel, CoarseTimesAndWritesThrough) {
    if (const auto reason = ShareModel::unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    const TempDir source, mount;
    write_file(source / "ZOL.mdb", "x");
    const timespec times[2] = {{1700000000, 123456789}, {1700000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (source / "ZOL.mdb").c_str(), times, 0), 0);
    const ShareModel share(source.path(), mount.path(), {0, 0, true});
    struct stat st {};
    ASSERT_EQ(::stat((mount / "ZOL.mdb").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    EXPECT_EQ(st.st_ctim.tv_nsec, 0);
    write_file(mount / "rpt/ZOL5300.TXT", "page 1\n");
    EXPECT_EQ(read_file(source / "rpt/ZOL5300.TXT"), "page 1\n");
}

}  // namespace
}  // namespace zol::test
