#include "core/safe_open.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "support/files.h"

namespace zol::test {
namespace {

// A private folder is made with the missing ones above it, or refused with the reason and
// the folder at fault.
TEST(PrivateFolder, MadeOrRefusedWithItsReason) {
    const TempDir dir;
    write_file(dir / "file", "x");
    fs::create_directory(dir / "target");
    fs::create_directory_symlink(dir / "target", dir / "link");
    fs::create_directory(dir / "open");
    fs::permissions(dir / "open", fs::perms::all);
    fs::create_directory(dir / "theirs");
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((dir / "theirs").c_str(), 65532, 65532), 0);
    }
    const std::string long_name(256, 'n');
    const struct {
        fs::path folder;  // under dir
        fs::path at;      // the folder named in the reason
        std::string reason;
    } cases[] = {
        {"a/b/c", "", ""},
        {"file/x", "file", "：資料夾不存在"},
        {"file/x/y", "file", "：資料夾不存在"},  // the refusal of a folder on the way
        {long_name, long_name, "：路徑太長"},
        {"file", "file", "：資料夾不存在"},
        {"link", "link", "：該名稱是符號連結，不予使用"},
        {"open", "open", " 其他使用者也可以寫入"},
        {"theirs", "theirs", root ? " 不屬於這個使用者" : ""},
    };
    for (const auto& c : cases) {
        const std::string why = make_private_folder(dir / c.folder);
        EXPECT_EQ(why, c.reason.empty() ? "" : (dir / c.at).string() + c.reason) << c.folder;
    }
    for (const char* made : {"a", "a/b", "a/b/c"}) EXPECT_EQ(mode_of(dir / made), 0700u) << made;
}

// A folder or a FIFO at a file's name is refused as no regular file, without waiting.
TEST(OpenRegular, RefusesWhatIsNoRegularFile) {
    const TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const char* name : {"", "fifo"}) {
        errno = 0;
        EXPECT_FALSE(open_regular(dir / name, O_RDONLY)) << name;
        EXPECT_EQ(errno, kNotRegularFile) << name;
    }
}

}  // namespace
}  // namespace zol::test
