// A small package with known rows for the query-window tests, and a window on it whose
// message boxes and question are answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QtTest/QTest>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/sample_db.h"
#include "ui/query_window.h"

namespace zol::test {

// The package schema with a handful of rows whose lists are known:
// collection dates 2013-05-25 and 2006-03-15 (a 2010 batch is not taken part in);
// groups 1 " 註冊費 ", 2 午餐費 (2006-03-15), 1 and 9 (no name row) on 2013-05-25;
// students of grade 3 in classes 1 and 2 (class 2 only deleted) and of grade 14 (幼中).
inline const char* kSmallPackageSql = R"SQL(
create table ZOL3_Status (Stsid INTEGER, StsName TEXT);
insert into ZOL3_Status values (1, '一般生'), (2, ' 低收入戶 '), (3, NULL);
create table ZOL10_Agency (TranDay DATETIME, GrpID INTEGER, PayStas INTEGER);
insert into ZOL10_Agency values ('2006-03-15', 1, -1), ('2006-03-15', 2, -1),
  ('2013-05-25', 1, -1), ('2013-05-25', 9, -1), ('2010-01-01', 3, 0);
create table ZOL6_Group (GrpID INTEGER, GrpName TEXT);
insert into ZOL6_Group values (1, ' 註冊費 '), (2, '午餐費'), (3, '課輔費');
create table ZOL7_Student (Stdid INTEGER, StdNo TEXT, Grade INTEGER, ClsID INTEGER,
  SeatNo INTEGER, StdName TEXT, DelMark INTEGER);
insert into ZOL7_Student values (1, 'S001', 3, 1, 1, '王小明', 0), (2, 'S002', 3, 1, 2, '李小華', 0),
  (3, 'S003', 3, 2, 1, '陳大同', -1), (4, 'S004', 14, 1, 5, '林幼幼', 0);
create table ZOL8_Payment (Stdid INTEGER, TranDay DATETIME, Grpid INTEGER, PayAmt INTEGER,
  Fee INTEGER, Netfee INTEGER, payway TEXT, preway TEXT, flow_number TEXT, PayDay DATETIME,
  acctid TEXT, NetATMFee INTEGER, CVSFee INTEGER, Paystas INTEGER);
insert into ZOL8_Payment values
  (1, '2006-03-15', 1, 1500, 10, 1490, '1', '1', '0001', '2006-03-20', 'A1', 0, 0, -1),
  (2, '2006-03-15', 1, 1500, 10, 1490, '2', '2', '0002', '2006-03-25', NULL, 0, 0, -1),
  (4, '2006-03-15', 2, 800, 0, 800, '3', '2', '0003', '2006-03-22', NULL, 0, 0, -1),
  (1, '2013-05-25', 1, 2000, 10, 1990, '1', '1', '0004', '2013-05-28', 'A1', 0, 0, -1);
create table Zol9_Payitem (Stdid INTEGER, Tranday DATETIME, Grpid INTEGER, Itemid INTEGER,
  Itemamt INTEGER);
insert into Zol9_Payitem values (1, '2006-03-15', 1, 1, 1000), (1, '2006-03-15', 1, 2, 500),
  (2, '2006-03-15', 1, 1, 1500), (4, '2006-03-15', 2, 2, 800), (1, '2013-05-25', 1, 1, 2000);
create table ZOL4_Item (Itemid INTEGER, ItemName TEXT);
insert into ZOL4_Item values (1, ' 學費 '), (2, '雜費'), (3, '不用的項目');
create table ZOL13_ClsGrpItem (Grade INTEGER, ClsID INTEGER, GrpID INTEGER, itemid INTEGER);
insert into ZOL13_ClsGrpItem values (3, 1, 1, 1), (3, 1, 1, 2), (14, 1, 2, 2);
create table ZOL11_Class (Grade INTEGER, Clsid INTEGER, Clsid_name TEXT);
insert into ZOL11_Class values (3, 1, '三年一班'), (3, 2, '三年二班'), (14, 1, '幼中一班');
create table ZOL15_Grade (Grade INTEGER, Grade_name TEXT);
insert into ZOL15_Grade values (3, '三年級'), (14, '幼中');
create table ZOL14_Stustas (Stdid INTEGER, Stsid INTEGER);
insert into ZOL14_Stustas values (1, 1), (2, 2), (4, 1);
)SQL";

// Writes BASE/mdb/ZOL.mdb from SQL text and creates BASE/rpt and BASE/exe.
inline void write_package_db(const std::filesystem::path& base, const std::string& sql) {
    std::filesystem::create_directories(base / "mdb");
    std::filesystem::create_directories(base / "rpt");
    std::filesystem::create_directories(base / "exe");
    sqlite3* db = nullptr;
    if (sqlite3_open((base / "mdb" / "ZOL.mdb").c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot create the test database");
    }
    char* err = nullptr;
    const std::string script = "begin;" + sql + "commit;";
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &err);
    const std::string why = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("test database: " + why);
}

// A temporary package directory that removes itself.
class TempPackage {
  public:
    explicit TempPackage(const std::string& sql = kSmallPackageSql)
        : base_(make_temp_dir("zol_ui_")) {
        write_package_db(base_, sql);
    }
    ~TempPackage() {
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }
    TempPackage(const TempPackage&) = delete;
    TempPackage& operator=(const TempPackage&) = delete;
    const std::filesystem::path& base() const { return base_; }

  private:
    std::filesystem::path base_;
};

inline void install_test_fonts() {
    QFont::insertSubstitution(QStringLiteral("細明體"), QStringLiteral("Noto Sans Mono CJK TC"));
    QFont::insertSubstitution(QStringLiteral("新細明體"), QStringLiteral("Noto Sans CJK TC"));
}

// A window on a package with every message and question recorded; questions are
// answered with `answer`.
struct WindowUnderTest {
    QStringList messages;
    QStringList questions;
    bool answer = true;
    int quits = 0;
    std::unique_ptr<ZOL5300F1> window;

    explicit WindowUnderTest(const std::filesystem::path& base,
                             StartArgs args = {"a/b/c", "a", "b", "c"},
                             QueryWindowHooks extra = {}) {
        install_test_fonts();
        QueryWindowHooks hooks = std::move(extra);
        hooks.message = [this](const QString& t) { messages << t; };
        hooks.ask_yes_no = [this](const QString& t) {
            questions << t;
            return answer;
        };
        if (!hooks.quit) hooks.quit = [this] { ++quits; };
        hooks.exit_wait_ms = 50;
        window = std::make_unique<ZOL5300F1>(base.string(), std::move(args), std::move(hooks));
    }

    ZOL5300F1& w() { return *window; }

    template <class T>
    T* find(const char* name) {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        if (!c) throw std::runtime_error(std::string("no control ") + name);
        return c;
    }

    // Shows the window and makes it active, so that focus and keys work as for a user.
    void show() {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            throw std::runtime_error("window not active");
    }
};

inline QString u8(const char* s) {
    return QString::fromUtf8(s);
}

inline QStringList items_of(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

}  // namespace zol::test
