// Opening the package file by its first bytes, read-only, and refusing anything but reading.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "data/database.h"
#include "data/db_error.h"
#include "data/sqlite_database.h"
#include "data/sqlite_reason.h"
#include "support/sample_db.h"

namespace zol {
namespace {

using test::write_file;

// The message a user sees names the file and says what is wrong with it.
void expect_open_error(const std::filesystem::path& p, const std::string& words) {
    try {
        open_database(p.string());
        FAIL() << "opened " << p;
    } catch (const DbError& e) {
        EXPECT_EQ(e.path(), p.string());
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(p.string() + ": ", 0), 0u) << what;
        EXPECT_NE(what.find(words), std::string::npos) << what;
    }
}

TEST(OpenDatabase, FilesThatAreNoPackageDatabase) {
    test::TempDir dir;
    expect_open_error(dir.path() / "mdb" / "ZOL.mdb", "找不到資料庫檔案");
    write_file(dir.path() / "text" / "ZOL.mdb",
               "Provider=Microsoft.Jet.OLEDB.4.0\r\nnot a database\r\n");
    expect_open_error(dir.path() / "text" / "ZOL.mdb", "不是本程式能讀取的資料庫檔案");
    write_file(dir.path() / "empty" / "ZOL.mdb", "");
    expect_open_error(dir.path() / "empty" / "ZOL.mdb", "不是本程式能讀取的資料庫檔案");
    std::filesystem::create_directories(dir.path() / "dir" / "ZOL.mdb");
    expect_open_error(dir.path() / "dir" / "ZOL.mdb", "不是本程式能讀取的資料庫檔案");
    // The right first bytes and nothing usable after them.
    write_file(dir.path() / "bad" / "ZOL.mdb",
               std::string("SQLite format 3\0", 16) + std::string(200, 'x'));
    expect_open_error(dir.path() / "bad" / "ZOL.mdb", "無法");
    // A file whose reading fails (at offset 0 nothing of this process's memory is mapped).
    expect_open_error("/proc/self/mem", "讀取資料庫檔案失敗（");
}

// The words for each failure the engine reports, also without a connection to ask (extended
// codes count by their primary code).
TEST(OpenDatabase, EngineFailuresInChinese) {
    const std::pair<int, const char*> cases[] = {
        {SQLITE_FULL, "磁碟空間不足"},
        {SQLITE_IOERR_READ, "磁碟或網路磁碟機讀寫錯誤"},
        {SQLITE_CANTOPEN, "無法開啟檔案"},
        {SQLITE_CORRUPT, "檔案已損毀或不是資料庫檔案"},
        {SQLITE_NOTADB, "檔案已損毀或不是資料庫檔案"},
        {SQLITE_NOMEM, "記憶體不足"},
        {SQLITE_READONLY_DIRECTORY, "沒有權限"},
        {SQLITE_AUTH, "沒有權限"},
        {SQLITE_BUSY_SNAPSHOT, "資料庫正被其他程式鎖定"},
        {SQLITE_LOCKED, "資料庫正被其他程式鎖定"},
    };
    for (const auto& [rc, words] : cases) EXPECT_EQ(sqlite_reason(nullptr, rc), words) << rc;
}

class ReadOnly : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = dir_.path() / "ZOL.mdb";
        test::write_package_db(file_);
        before_ = test::read_file(file_);
        db_ = open_database(file_.string());
    }
    void TearDown() override { EXPECT_EQ(test::read_file(file_), before_) << "the file changed"; }

    test::TempDir dir_;
    std::filesystem::path file_;
    std::string before_;
    std::shared_ptr<Database> db_;
};

TEST_F(ReadOnly, StatementsThatWriteAreRefused) {
    const char* statements[] = {
        "delete from ZOL8_Payment",
        "update ZOL7_Student set StdName = 'x'",
        "insert into ZOL4_Item values (9, 'x')",
        "drop table ZOL4_Item",
        "create table T(x)",
        "attach database 'other.db' as o",
        "pragma query_only=0",
        "PRAGMA journal_mode=WAL",
        "vacuum",
        "select 1; delete from ZOL8_Payment",
        "select * into T2 from ZOL4_Item",
        "with x as (select 1) delete from ZOL4_Item",
        "explain delete from ZOL4_Item",
        "",
    };
    for (const char* sql : statements) {
        try {
            db_->query(sql);
            ADD_FAILURE() << "ran: " << sql;
        } catch (const DbError& e) {
            EXPECT_EQ(e.path(), file_.string()) << sql;
        }
    }
    // A closing ";" alone is still one statement.
    EXPECT_EQ(db_->query("select count(*) from ZOL4_Item;").field(0).number(), 4);
}

TEST_F(ReadOnly, TheConnectionItselfCannotWrite) {
    auto sqlite = std::dynamic_pointer_cast<SqliteDatabase>(db_);
    ASSERT_TRUE(sqlite);
    EXPECT_NE(sqlite3_exec(sqlite->handle(), "delete from ZOL8_Payment", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_NE(sqlite3_exec(sqlite->handle(), "PRAGMA query_only=0; delete from ZOL8_Payment",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
}

TEST_F(ReadOnly, BadStatementsNameTheFileAndTheFault) {
    const std::pair<const char*, const char*> cases[] = {
        {"select * form ZOL3_Status", "form"},
        {"select Nothing from ZOL3_Status", "Nothing"},
        {"select * from ZOL3_Status where StsName = 'abc", "引號"},
        {"select * from ZOL8_Payment where TranDay = #13/45/2006#", "日期"},
        {"select iif(1,2) from ZOL3_Status", "iif"},
        {"select (1 from ZOL3_Status", "括號"},
        {"select abs(-9223372036854775808) from ZOL3_Status", "讀取資料時發生錯誤: integer"},
        {"select 1 from ZOL3_Status; ", nullptr},
    };
    for (const auto& [sql, words] : cases) {
        if (!words) {
            EXPECT_NO_THROW(db_->query(sql)) << sql;
            continue;
        }
        try {
            db_->query(sql);
            ADD_FAILURE() << "ran: " << sql;
        } catch (const DbError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(file_.string() + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(words), std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace zol
