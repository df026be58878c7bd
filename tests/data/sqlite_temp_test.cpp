// SQLite's temporary files hold payment rows: they go to a private folder of the process and
// that folder is gone with it.
#include "data/sqlite_temp.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/files.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

TEST(SqliteTemp, TemporaryFilesGoToAPrivateFolder) {
    const test::TempDir tmp;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    fs::path dir;
    {
        const SqliteTempFolder folder;
        ASSERT_NE(sqlite3_temp_directory, nullptr);
        dir = sqlite3_temp_directory;
        EXPECT_EQ(dir.parent_path(), tmp.path());
        struct stat st {};
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, ::geteuid());
        // A temporary database with a one-page cache spills to a temporary file at once.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open("", &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "PRAGMA cache_size=1; CREATE TABLE t(x); WITH RECURSIVE n(i) AS "
                               "(SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 5000) "
                               "INSERT INTO t SELECT randomblob(200) FROM n",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        int spilled = 0;
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            const fs::path target = fs::read_symlink(fd.path(), ec);
            if (target.filename().string().rfind("etilqs_", 0) != 0) continue;
            ++spilled;
            EXPECT_EQ(target.parent_path(), dir);
        }
        EXPECT_GT(spilled, 0);
        sqlite3_close(db);
    }
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_EQ(sqlite3_temp_directory, nullptr);
    // No folder can be made: SQLite keeps its own choice.
    ::setenv("TMPDIR", (tmp / "none").c_str(), 1);
    {
        const SqliteTempFolder folder;
        EXPECT_EQ(sqlite3_temp_directory, nullptr);
    }
    ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace zol
