// Jet files through the Database interface: typed values, the password, failures by
// file kind, and a copy that follows the file on disk.
#include "data/jet/jet_database.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/jet_header.h"
#include "data/jet/table_file_import.h"
#include "data/result_set.h"
#include "data/sqlite_database.h"
#include "support/files.h"
#include "support/jet_files.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;
using test::read_file;
const std::string kJetDir = ZOL_TESTDATA_JET;

std::vector<std::string> column_of(ResultSet rs, std::size_t i) {
    std::vector<std::string> out;
    for (; !rs.eof(); rs.move_next()) out.push_back(rs.field(i).text());
    return out;
}

std::string error_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.what();
    }
    return "";
}

TEST(JetDatabase, TypedValuesOfEveryKind) {
    auto db = open_database(kJetDir + "/testV2000.mdb", "KTWOM");
    ResultSet rs = db->query("select A, C, D, E, F, G, H, I from Table1 order by A desc");
    ASSERT_EQ(rs.row_count(), 2u);
    // Text, byte, integer, long, double.
    EXPECT_EQ(rs.field("a").text(), "abcdefg");
    EXPECT_TRUE(rs.field("C").is_integer());
    EXPECT_EQ(rs.field("C").number(), 2);
    EXPECT_TRUE(rs.field("F").is_real());
    EXPECT_EQ(rs.field("F").number(), 444.555);
    // Date/time arrives as a date value, not as text.
    ASSERT_TRUE(rs.field("G").is_date());
    EXPECT_EQ(rs.field("G").date(), (DateTime{1974, 9, 21, 0, 0, 0}));
    // Currency by value, Yes/No as -1 and 0.
    EXPECT_EQ(rs.field("H").number(), 3.5);
    EXPECT_EQ(rs.field("I").number(), -1);
    rs.move_next();
    EXPECT_EQ(rs.field("A").text(), "a");
    EXPECT_EQ(std::pair(rs.field("H").number(), rs.field("I").number()), std::pair(0.0, 0.0));
    EXPECT_TRUE(rs.field("I").is_integer());
}

TEST(JetDatabase, AccessDialectWorksOnTheCopy) {
    auto db = open_database(kJetDir + "/testV2000.mdb", "KTWOM");
    // Yes/No compared with -1, a #date# literal, & and iif.
    EXPECT_EQ(column_of(db->query("select A & '-' & iif(I = -1, 'Y', 'N') from TABLE1 "
                                  "where I = -1 and G < #01/01/1980#"),
                        0),
              std::vector<std::string>{"abcdefg-Y"});
    EXPECT_EQ(column_of(db->query("select sum(H), max(G) from table1"), 0),
              std::vector<std::string>{"3.5"});
    // Dates with a time of day keep it.
    auto db2 = open_database(kJetDir + "/test2V2000.mdb", "KTWOM");
    ResultSet rs = db2->query("select PROJ_OPT_DEF_FINISH_TIME from MSP_PROJECTS");
    ASSERT_TRUE(rs.field(0).is_date());
    EXPECT_EQ(rs.field(0).date(), (DateTime{2006, 2, 3, 17, 0, 0}));
}

// Kinds no fixture holds, made by changing the column definitions of Table1 (testV2000.mdb,
// definition page 24) and the bytes of its rows: E as Single, F as a 16-byte Replication ID
// over F and G, and the second row's date far beyond year 9999.
TEST(JetDatabase, SingleReplicationIdAndDatesOutOfRange) {
    std::string bytes = read_file(kJetDir + "/testV2000.mdb");
    const auto put = [&](std::size_t at, std::string_view what) {
        bytes.replace(at, what.size(), what);
    };
    put(98491, "\x06");                               // E: Long Integer -> Single
    put(98516, "\x0f");                               // F: Double -> Replication ID
    put(98516 + 23, std::string("\x10\x00", 2));      // of 16 bytes
    put(98541, "\x01");                               // G, whose bytes F takes: Yes/No
    put(98566, "\x08");                               // H: Currency -> Date/Time
    put(114621, std::string("\x00\x00\xc0\x3f", 4));  // row 1, E: 1.5f
    std::string guid;
    for (char c = 0; c < 16; ++c) guid += c;
    put(114625, guid);                                                // row 1, F
    put(114594, std::string("\x00\x00\x00\x00\x65\xcd\xcd\x41", 8));  // row 2, H: 1e9 days
    const test::TempDir dir;
    test::write_file(dir / "kinds.mdb", bytes);
    const auto db = open_database((dir / "kinds.mdb").string(), "");
    ResultSet rs = db->query("select E, F, H from Table1 order by A desc");
    ASSERT_EQ(rs.row_count(), 2u);
    EXPECT_TRUE(rs.field(0).is_real());
    EXPECT_EQ(rs.field(0).number(), 1.5);
    EXPECT_EQ(rs.field(1).text(), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
    rs.move_next();
    EXPECT_EQ(rs.field(0).number(), 0.0);
    EXPECT_TRUE(rs.field(2).is_null());
    // A kind this reader does not know (17, in MSysAccessObjects) comes as its bytes: one
    // row holds the start of a compound file.
    EXPECT_EQ(db->query("select count(*) from MSysAccessObjects where length(Data) = 3992 "
                        "and hex(substr(Data, 1, 8)) = 'D0CF11E0A1B11AE1'")
                  .field(0)
                  .number(),
              1);
}

// A table file that holds no table, or is no database at all, is refused with the file's
// name; the copy it was to go into is left as it was.
TEST(JetDatabase, TableFilesWithoutATableAreRefused) {
    const test::TempDir dir;
    test::exec_sql(dir / "meta.sqlite", "CREATE TABLE zol_cache_meta (key, table_name)");
    test::write_file(dir / "junk.sqlite", std::string(8192, 'x'));
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    const SqliteHandle db(raw);
    const std::pair<const char*, const char*> cases[] = {
        {"meta.sqlite", "讀取資料庫時資料不完整"},
        {"junk.sqlite", "無法建立資料庫的記憶體副本："},
    };
    for (const auto& [file, reason] : cases) {
        const std::string err =
            error_of([&] { import_table_file(db.get(), dir / file, "ZOL.mdb"); });
        EXPECT_EQ(err.rfind(std::string("ZOL.mdb: ") + reason, 0), 0u) << err;
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.get(), "select count(*) from pragma_database_list", -1, &s,
                                     nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
        EXPECT_EQ(sqlite3_column_int(s, 0), 1) << file;  // main alone: nothing left attached
        sqlite3_finalize(s);
    }
}

TEST(JetDatabase, NullsAndEmptyTextStayApart) {
    auto db = open_database(kJetDir + "/overflowTestV2000.mdb", "KTWOM");
    ResultSet rs = db->query("select data1, data3 from Table1 where data1 = 'row1col1'");
    ASSERT_EQ(rs.row_count(), 1u);
    EXPECT_TRUE(!rs.field(0).is_null() && rs.field(1).is_null());
    EXPECT_EQ(column_of(db->query("select count(*) from Table1 where data1 is null"), 0),
              std::vector<std::string>{"3"});
}

TEST(JetDatabase, DatabasePasswordIsAccepted) {
    for (const char* password : {"KTWOM", "ucanaccess", ""}) {
        auto db = open_database(kJetDir + "/password.mdb", password);
        EXPECT_GT(db->query("select count(*) from MSysObjects").field(0).number(), 0) << password;
    }
}

TEST(JetDatabase, UnknownTableIsReportedBySqlite) {
    for (const bool cache : {true, false}) {
        auto db = open_database(kJetDir + "/testV2000.mdb", "KTWOM", DataOptions{cache, {}, {}});
        // Also the name of a catalogue entry that is no table.
        for (const char* sql : {"select * from ZOL7_Student", "select * from []",
                                "select * from Relationships", "select * from [no such]"}) {
            const std::string err = error_of([&] { db->query(sql); });
            EXPECT_TRUE(err.find("no such table") != err.npos &&
                        err.find("testV2000.mdb") != err.npos)
                << sql << ": " << err;
        }
        // The reader stays usable afterwards.
        EXPECT_EQ(db->query("select * from Table1").row_count(), 2u);
    }
}

// Every Jet file kept as a fixture passes the first-page check; other kinds name their fault.
TEST(JetDatabase, FileKindsThatCannotBeReadSaySoInChinese) {
    for (const auto& entry : fs::directory_iterator(kJetDir)) {
        if (entry.path().extension() != ".mdb") continue;
        const std::string f = read_file(entry.path());
        EXPECT_EQ(jet_header_problem(f, f.size()), "") << entry.path();
    }
    const test::TempDir dir;
    const std::string good = read_file(kJetDir + "/testV2000.mdb");
    std::string jet3 = good, accdb = good, later_accdb, not_access = good, catalog = good;
    jet3[0x14] = 0;
    std::memcpy(accdb.data() + 4, "Standard ACE DB", 15);
    accdb[0x14] = 3;
    later_accdb = good;
    later_accdb[0x14] = 5;  // a later version number under the old name
    not_access[5] = 'X';
    catalog[2 * 4096] = 0x01;  // the catalogue's definition page no longer says so
    // Pages encrypted: the page key in the masked header area is not zero.
    std::string encrypted = good;
    const char header_key[4] = {'\xc7', '\xda', '\x39', '\x6b'};
    auto mask = [&](std::string& f) {
        jet_rc4(std::string_view(header_key, 4), reinterpret_cast<unsigned char*>(f.data() + 0x18),
                128);
    };
    mask(encrypted);
    encrypted[0x3e] = 0x5a;
    mask(encrypted);
    const struct {
        std::string name, content, reason;
    } cases[] = {
        {"jet3.mdb", jet3, "Jet 3"},
        {"new.accdb", accdb, "ACCDB"},
        {"later.accdb", later_accdb, "ACCDB"},
        {"cut.mdb", good.substr(0, 50000), "不完整"},
        {"tiny.mdb", good.substr(0, 40), "不完整"},
        {"locked.mdb", encrypted, "加密"},
        {"other.mdb", not_access, "既非 Access"},
        {"empty.mdb", "", "既非 Access"},
        {"catalog.mdb", catalog, ""},
    };
    for (const auto& c : cases) {
        const fs::path path = dir / c.name;
        test::write_file(path, c.content);
        const std::string err =
            error_of([&] { open_database(path.string(), "KTWOM")->query("select * from Table1"); });
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.name << ": " << err;
        EXPECT_NE(err.find(path.string()), std::string::npos) << c.name << ": " << err;
    }
    // The first page alone: an engine name of neither kind, a version wider than a byte.
    std::string other_engine = good.substr(0, 4096), wide_version = other_engine;
    other_engine[5] = 'X';
    wide_version[0x15] = 1;
    EXPECT_EQ(jet_header_problem(other_engine, good.size()), "不是 Access 資料庫檔案");
    EXPECT_EQ(jet_header_problem(wide_version, good.size()), "無法辨識的 Access 資料庫版本");
    EXPECT_EQ(jet_header_problem(std::string(4096, 'x'), good.size()), "不是 Access 資料庫檔案");
    EXPECT_NE(jet_header_problem(good.substr(0, 100), good.size()).find("不完整"),
              std::string::npos);
    EXPECT_NE(error_of([&] { check_jet_file(dir.path()); }).find("不是一般檔案"),
              std::string::npos);
    EXPECT_NE(error_of([&] { check_jet_file("/proc/self/mem"); }).find("讀取資料庫檔案失敗"),
              std::string::npos);
    const std::string missing = (dir / "no-such-file.mdb").string();
    EXPECT_NE(error_of([&] { check_jet_file(missing); }).find(missing), std::string::npos);
    EXPECT_EQ(check_jet_file(kJetDir + "/testV2000.mdb").page_count, 3043328u / 4096);
}

TEST(JetDatabase, TheCopyFollowsTheFileOnDisk) {
    const test::TempDir dir;
    std::string content = read_file(kJetDir + "/testV2000.mdb");
    const std::string path = dir / "ZOL.mdb";
    test::write_file(path, content);
    auto db = open_jet_database(path, "KTWOM");
    EXPECT_EQ(column_of(db->query("select A from Table1 order by A"), 0),
              (std::vector<std::string>{"a", "abcdefg"}));

    // Same size, same times: the new bytes are seen all the same.
    const auto at = content.find("abcdefg");
    ASSERT_NE(at, std::string::npos);
    content[at] = 'z';
    test::rewrite_keeping_times(path, content);
    EXPECT_EQ(column_of(db->query("select A from Table1 order by A"), 0),
              (std::vector<std::string>{"a", "zbcdefg"}));
    EXPECT_EQ(db->query("select * from Table2").row_count(), 0u);

    // Another program puts a different database in its place.
    fs::copy_file(kJetDir + "/overflowTestV2000.mdb", dir / "new.mdb");
    fs::rename(dir / "new.mdb", path);
    ResultSet rs = db->query("select * from Table1");
    EXPECT_EQ(rs.columns().size(), 9u);
    EXPECT_EQ(rs.columns()[0], "data1");
    EXPECT_EQ(rs.row_count(), 7u);
    const std::string err = error_of([&] { db->query("select * from Table2"); });
    EXPECT_NE(err.find("no such table"), std::string::npos) << err;

    // And a damaged file in its place is an error, not stale rows; so is no file at all.
    test::write_file(path, "not a database at all");
    EXPECT_NE(error_of([&] { db->query("select * from Table1"); }).find("不是 Access"),
              std::string::npos);
    fs::remove(path);
    EXPECT_NE(error_of([&] { db->query("select * from Table1"); }).find("無法開啟資料庫檔案（"),
              std::string::npos);
}

}  // namespace
}  // namespace zol
