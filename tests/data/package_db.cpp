#include "data/package_db.h"

#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zol::test {

namespace {

// Students: grade 3 classes 1, 2 and 9 (class 9 has no ZOL11_Class row), one deleted
// student, one kindergarten (14) student and one of grade 4.
// Payments on 2006-03-15 (group 1 and 2), 2006-04-01 and 2013-05-25; group 3 of
// 2013-05-25 belongs to a batch whose PayStas is 0. Item 7 is missing from ZOL4_Item.
constexpr const char* kSchemaAndRows = R"SQL(
CREATE TABLE ZOL7_Student(Stdid INTEGER PRIMARY KEY, StdNo TEXT, Grade INTEGER, ClsID INTEGER,
  SeatNo INTEGER, StdName TEXT, DelMark INTEGER, acctid TEXT);
CREATE TABLE ZOL8_Payment(Stdid INTEGER, TranDay DATETIME, Grpid INTEGER, PayAmt INTEGER,
  Fee INTEGER, Netfee INTEGER, payway TEXT, preway TEXT, flow_number TEXT, PayDay DATETIME,
  acctid TEXT, NetATMFee INTEGER, CVSFee REAL, Paystas INTEGER,
  PRIMARY KEY(Stdid, TranDay, Grpid));
CREATE INDEX ZOL8_Payment_TranDay ON ZOL8_Payment(TranDay, Grpid);
CREATE TABLE Zol9_Payitem(Stdid INTEGER, Tranday DATETIME, Grpid INTEGER, Itemid INTEGER,
  Itemamt INTEGER);
CREATE INDEX Zol9_Payitem_Payment ON Zol9_Payitem(Stdid, Tranday, Grpid);
CREATE TABLE ZOL10_Agency(TranDay DATETIME, GrpID INTEGER, PayStas INTEGER,
  PRIMARY KEY(TranDay, GrpID));
CREATE TABLE ZOL4_Item(Itemid INTEGER PRIMARY KEY, ItemName TEXT);
CREATE TABLE ZOL6_Group(GrpID INTEGER PRIMARY KEY, GrpName TEXT);
CREATE TABLE ZOL11_Class(Grade INTEGER, Clsid INTEGER, Clsid_name TEXT, PRIMARY KEY(Grade, Clsid));
CREATE TABLE ZOL15_Grade(Grade INTEGER PRIMARY KEY, Grade_name TEXT);
CREATE TABLE ZOL13_ClsGrpItem(Grade INTEGER, ClsID INTEGER, GrpID INTEGER, itemid INTEGER);
CREATE TABLE ZOL14_Stustas(Stdid INTEGER, Stsid INTEGER);
CREATE TABLE ZOL3_Status(Stsid INTEGER, StsName TEXT);

INSERT INTO ZOL7_Student VALUES
 (1, 'S001', 3, 1, 1, '王小明', 0, NULL),
 (2, 'S002', 3, 1, 2, '李大華', 0, NULL),
 (3, 'S003', 3, 2, 1, '陳美玲', -1, NULL),
 (4, 'S004', 14, 1, 5, '林幼幼', 0, NULL),
 (5, 'S005', 3, 9, 3, '張無班', 0, NULL),
 (6, 'S006', 4, 1, 1, '黃四年', 0, NULL);
INSERT INTO ZOL8_Payment VALUES
 (1, '2006-03-15', 1, 1500, 10, 1490, '1', '1', '0001', '2006-03-10', '12345', 0, 0, -1),
 (2, '2006-03-15', 1, 1200, 10, 1190, '2', '2', '0002', '2006-03-12', NULL, 0, 0, -1),
 (3, '2006-03-15', 1, 800, 0, 800, '3', '2', NULL, '2006-03-14 10:30:00', '', 0, 0, -1),
 (5, '2006-03-15', 1, 1000, 5, 995, '6', '2', '0005', '2006-03-13', NULL, 0, 12.5, 0),
 (4, '2006-03-15', 2, 2000, 15, 1985, '4', '1', '0004', '2006-03-11', NULL, 0, 0, -1),
 (6, '2006-03-15', 1, 0, 0, 0, '1', '1', '0006', '2006-03-10', NULL, 0, 0, -1),
 (6, '2006-04-01', 1, 500, 8, 492, '7', '2', '0016', '2006-03-30', NULL, 0, 0, -1),
 (1, '2013-05-25', 1, 700, 10, 690, '5', '1', '0011', '2013-05-20', NULL, 0, 0, -1),
 (2, '2013-05-25', 3, 300, 10, 290, '2', '2', '0012', '2013-05-21', NULL, 0, 0, -1);
INSERT INTO Zol9_Payitem VALUES
 (1, '2006-03-15', 1, 1, 1000), (1, '2006-03-15', 1, 2, 500),
 (2, '2006-03-15', 1, 1, 1000), (2, '2006-03-15', 1, 7, 200),
 (3, '2006-03-15', 1, 1, 800),
 (5, '2006-03-15', 1, 1, 1000),
 (4, '2006-03-15', 2, 3, 2000),
 (6, '2006-03-15', 1, 1, 0),
 (6, '2006-04-01', 1, 2, 500),
 (1, '2013-05-25', 1, 2, 700),
 (2, '2013-05-25', 3, 1, 300);
INSERT INTO ZOL10_Agency VALUES
 ('2006-03-15', 1, -1), ('2006-03-15', 2, -1), ('2006-04-01', 1, -1),
 ('2013-05-25', 1, -1), ('2013-05-25', 3, 0), ('2010-12-31', 4, 0);
INSERT INTO ZOL4_Item VALUES (1, '學費'), (2, '午餐費'), (3, '點心費'), (5, '保險費');
INSERT INTO ZOL6_Group VALUES (1, '一般群組'), (2, '幼稚園'), (3, '補繳');
INSERT INTO ZOL11_Class VALUES (3, 1, '三年一班'), (3, 2, '三年二班'), (14, 1, '中班'), (4, 1, '四年一班');
INSERT INTO ZOL15_Grade VALUES (3, '三年級'), (4, '四年級'), (14, '幼中');
INSERT INTO ZOL13_ClsGrpItem VALUES (3, 1, 1, 1), (3, 1, 1, 2), (14, 1, 2, 3), (3, 1, 1, 7);
INSERT INTO ZOL14_Stustas VALUES (1, 1), (2, 3), (3, 2), (5, 1);
INSERT INTO ZOL3_Status VALUES (1, '一般生'), (2, '低收入戶'), (3, '原住民'), (4, NULL);
)SQL";

}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("zol-data-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void exec_on(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    const std::string message = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error(message);
}

void write_package_db(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    // A test file needs no crash safety; skipping the syncs keeps the tests quick.
    exec_on(file, std::string("PRAGMA synchronous=OFF; BEGIN;") + kSchemaAndRows + "COMMIT;");
}

std::string file_bytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace zol::test
