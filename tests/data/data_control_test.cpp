// The data control operations the query window relies on, on a real package file.
#include "data/data_control.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/database.h"
#include "data/db_error.h"
#include "data/row_source.h"
#include "support/sample_db.h"

namespace zol {
namespace {

const auto connection_for = package_connection_string;
TEST(ConnectionString, TheProgramsOwnStringWithAWindowsBasePath) {
    const std::string conn = connection_for("C:\\Zol");
    EXPECT_EQ(data_source_of(conn), "C:\\Zol\\mdb\\ZOL.mdb");
    EXPECT_EQ(password_of(conn), "KTWOM");
    // Keys in any case, blanks around "=" and the value.
    EXPECT_EQ(data_source_of("data source =  /x/ZOL.mdb ;Provider=P"), "/x/ZOL.mdb");
    EXPECT_EQ(password_of("JET OLEDB:DATABASE PASSWORD=abc"), "abc");
    EXPECT_EQ(data_source_of("Provider=Microsoft.Jet.OLEDB.4.0"), "");
    EXPECT_EQ(password_of("Data Source=x"), "");
    // Quotes around a value go, only when both ends match.
    const std::pair<const char*, const char*> quoted[] = {{"\"/a b.mdb\"", "/a b.mdb"},
                                                          {"'/c.mdb'", "/c.mdb"},
                                                          {"'/d.mdb\"", "'/d.mdb\""},
                                                          {"\"", "\""}};
    for (const auto& [value, want] : quoted)
        EXPECT_EQ(data_source_of(std::string("Data Source=") + value), want) << value;
}

class DataControlOps : public ::testing::Test {
  protected:
    void SetUp() override {
        // Spelled in other cases than the connection string asks: the path is matched
        // case-insensitively.
        file_ = dir_.path() / "MDB" / "zol.mdb";
        test::write_package_db(file_);
        ctl_.set_connection_string(connection_for(dir_.path().string()));
    }
    test::TempDir dir_;
    std::filesystem::path file_;
    DataControl ctl_;
};

TEST_F(DataControlOps, NothingIsOpenedBeforeTheFirstRefresh) {
    std::filesystem::remove(file_);
    DataControl other;
    other.set_connection_string(connection_for(dir_.path().string()));  // no error yet
    other.set_record_source("select * from ZOL3_Status");
    try {
        other.refresh();
        FAIL() << "refresh of a missing file succeeded";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("找不到資料庫檔案"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("ZOL.mdb"), std::string::npos) << e.what();
    }
}

TEST_F(DataControlOps, EmptyResultIsAtItsEndAtOnce) {
    ctl_.set_record_source("select * from ZOL3_Status where Stsid = 99");
    ctl_.refresh();
    EXPECT_TRUE(ctl_.eof());
    EXPECT_EQ(ctl_.row_count(), 0u);
    EXPECT_THROW(ctl_.field(0), DbError);
    ctl_.move_next();  // harmless at the end
    EXPECT_TRUE(ctl_.eof());
}

// The same through the control's result and through rows read one at a time.
TEST_F(DataControlOps, WalkFieldsByNameAndPosition) {
    const char* sql = "select Stsid, StsName As Name from ZOL3_Status order by Stsid";
    ctl_.set_record_source(sql);
    ctl_.refresh();
    EXPECT_EQ(ctl_.row_count(), 4u);
    const auto walk = [](auto& rows) {
        EXPECT_FALSE(rows.eof());
        EXPECT_EQ(rows.field("STSID").number(), 1);
        EXPECT_EQ(rows.field("name").text(), "一般生");
        EXPECT_EQ(rows.field(1).text(), "一般生");
        EXPECT_THROW(rows.field("StsCode"), DbError);
        EXPECT_THROW(rows.field(2), DbError);
        int n = 0;
        for (; !rows.eof(); rows.move_next()) ++n;
        EXPECT_EQ(n, 4);
        EXPECT_THROW(rows.field("Stsid"), DbError);
    };
    walk(ctl_);
    walk(*open_database(file_.string())->stream(sql, {}));
}

TEST_F(DataControlOps, MoveFirstReturnsToTheSameRowsWithoutRunningAgain) {
    ctl_.set_record_source("select Stsid from ZOL3_Status order by Stsid desc");
    ctl_.refresh();
    while (!ctl_.eof()) ctl_.move_next();
    // Another program adds a row meanwhile; the open result does not see it.
    test::exec_sql(file_, "INSERT INTO ZOL3_Status VALUES (9, '僑生')");
    ctl_.move_first();
    EXPECT_TRUE(ctl_.field(0).number() == 4 && ctl_.row_count() == 4u) << ctl_.row_count();
    // A refresh runs the statement again and sees it.
    ctl_.refresh();
    EXPECT_EQ(ctl_.field(0).number(), 9);
    EXPECT_EQ(ctl_.row_count(), 5u);
}

TEST_F(DataControlOps, FailedRefreshDiscardsThePreviousResult) {
    ctl_.set_record_source("select * from ZOL3_Status");
    ctl_.refresh();
    ASSERT_EQ(ctl_.row_count(), 4u);
    ctl_.set_record_source("select * from ZOL99_Missing");
    try {
        ctl_.refresh();
        FAIL() << "a statement on a missing table succeeded";
    } catch (const DbError& e) {
        EXPECT_EQ(e.path(), file_.string());
        EXPECT_NE(e.engine_message().find("ZOL99_Missing"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(ctl_.eof());
    EXPECT_EQ(ctl_.row_count(), 0u);
    EXPECT_EQ(ctl_.record_source(), "select * from ZOL99_Missing");
}

TEST_F(DataControlOps, TheOpenedFileIsKeptWhileTheConnectionStringStays) {
    ctl_.set_record_source("select * from ZOL3_Status");
    ctl_.refresh();
    // The open handle still reads a file removed from its directory; a fresh open would not.
    const auto moved = dir_.path() / "moved.mdb";
    std::filesystem::rename(file_, moved);
    ctl_.set_connection_string(ctl_.connection_string());
    ctl_.refresh();
    EXPECT_EQ(ctl_.row_count(), 4u);
    // Another connection string opens anew.
    ctl_.set_connection_string(connection_for(dir_.path().string()) + ";Mode=Read");
    EXPECT_THROW(ctl_.refresh(), DbError);
}

}  // namespace
}  // namespace zol
