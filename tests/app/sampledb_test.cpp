// The sample database command: run as a program, checked through the SQLite C API.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/big5.h"
#include "core/date.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

class Db {
  public:
    explicit Db(const fs::path& file) {
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << file;
        }
    }
    ~Db() { sqlite3_close_v2(db_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    // All rows, each cell as text ("<null>" for null).
    std::vector<std::vector<std::string>> rows(const std::string& sql) const {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return out;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                const auto* t = sqlite3_column_text(s, i);
                row.push_back(t ? reinterpret_cast<const char*>(t) : "<null>");
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(s);
        return out;
    }
    long long number(const std::string& sql) const {
        const auto r = rows(sql);
        if (r.empty() || r[0].empty()) {
            ADD_FAILURE() << "no value from " << sql;
            return -999999;
        }
        return std::stoll(r[0][0]);
    }

  private:
    sqlite3* db_ = nullptr;
};

std::string file_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One package for the content checks of this file.
class SampleDb : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { package_ = std::make_unique<test::SamplePackage>(900, 3); }
    static void TearDownTestSuite() { package_.reset(); }
    static const test::SamplePackage& package() { return *package_; }

    static std::unique_ptr<test::SamplePackage> package_;
};
std::unique_ptr<test::SamplePackage> SampleDb::package_;

TEST_F(SampleDb, LayoutOfThePackage) {
    EXPECT_TRUE(fs::is_regular_file(package().db()));
    EXPECT_TRUE(fs::is_directory(package().rpt()));
    // Only the database is left in mdb: no half-written temporary file.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(package().base() / "mdb")) {
        ++entries;
        EXPECT_EQ(e.path().filename(), "ZOL.mdb");
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(SampleDb, TablesAndColumnsAsTheProgramReadsThem) {
    Db db(package().db());
    const auto status_cols = db.rows("SELECT name, type FROM pragma_table_info('ZOL3_Status')");
    ASSERT_EQ(status_cols.size(), 2u);
    EXPECT_EQ(status_cols[0], (std::vector<std::string>{"Stsid", "INTEGER"}));
    EXPECT_EQ(status_cols[1], (std::vector<std::string>{"StsName", "TEXT"}));
    for (const char* t : {"ZOL8_Payment", "Zol9_Payitem", "ZOL10_Agency"}) {
        const auto cols = db.rows(std::string("SELECT lower(name), type FROM pragma_table_info('") +
                                  t + "') WHERE lower(name) IN ('tranday','payday')");
        ASSERT_FALSE(cols.empty()) << t;
        for (const auto& c : cols) EXPECT_EQ(c[1], "DATETIME") << t << "." << c[0];
    }
    for (const char* t : {"ZOL7_Student", "ZOL4_Item", "ZOL6_Group", "ZOL11_Class", "ZOL15_Grade",
                          "ZOL13_ClsGrpItem", "ZOL14_Stustas"}) {
        EXPECT_GT(db.number(std::string("SELECT count(*) FROM ") + t), 0) << t;
    }
    // The joins of the payment query have indexes to use.
    EXPECT_GE(db.number("SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                        "tbl_name IN ('ZOL8_Payment','Zol9_Payitem','ZOL7_Student')"),
              3);
}

TEST_F(SampleDb, StudentsAndClasses) {
    Db db(package().db());
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL7_Student"), 900);
    EXPECT_EQ(db.number("SELECT count(DISTINCT Stdid) FROM ZOL7_Student"), 900);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL7_Student WHERE DelMark NOT IN (0,-1)"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL7_Student WHERE DelMark = -1"), 0);
    EXPECT_EQ(db.number("SELECT count(DISTINCT Grade) FROM ZOL7_Student"), 15);
    EXPECT_EQ(db.number("SELECT min(Grade) FROM ZOL7_Student"), 1);
    EXPECT_EQ(db.number("SELECT max(Grade) FROM ZOL7_Student"), 15);
    // Seats run 1..size in every class, at most 35 to a class.
    const auto classes = db.rows(
        "SELECT Grade, ClsID, min(SeatNo), max(SeatNo), count(*), count(DISTINCT SeatNo) "
        "FROM ZOL7_Student GROUP BY Grade, ClsID");
    ASSERT_FALSE(classes.empty());
    for (const auto& c : classes) {
        EXPECT_EQ(c[2], "1");
        EXPECT_EQ(c[3], c[4]);
        EXPECT_EQ(c[4], c[5]);
        EXPECT_LE(std::stoi(c[4]), 35);
    }
    // Student names of two to four characters; the numbers are unique texts.
    EXPECT_EQ(
        db.number("SELECT count(*) FROM ZOL7_Student WHERE length(StdName) NOT BETWEEN 2 AND 4"),
        0);
    EXPECT_EQ(db.number("SELECT count(DISTINCT StdNo) FROM ZOL7_Student"), 900);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL7_Student WHERE typeof(StdNo) <> 'text'"), 0);
}

TEST_F(SampleDb, NamesMissingOnPurpose) {
    Db db(package().db());
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL7_Student A LEFT JOIN ZOL11_Class F "
                        "ON A.Grade = F.Grade AND A.ClsID = F.Clsid WHERE F.Clsid IS NULL"),
              0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL7_Student A LEFT JOIN ZOL15_Grade G "
                        "ON A.Grade = G.Grade WHERE G.Grade IS NULL"),
              0);
    // An item used by payments whose item row is gone.
    EXPECT_GT(db.number("SELECT count(*) FROM Zol9_Payitem C LEFT JOIN ZOL4_Item D "
                        "ON C.Itemid = D.Itemid WHERE D.Itemid IS NULL"),
              0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL3_Status WHERE StsName IS NULL"), 0);
}

TEST_F(SampleDb, PaymentsCoverEveryMethodAndCase) {
    Db db(package().db());
    const auto ways = db.rows(
        "SELECT DISTINCT payway FROM ZOL8_Payment WHERE Paystas = -1 "
        "AND PayAmt > 0 ORDER BY 1");
    std::vector<std::string> got;
    for (const auto& w : ways) got.push_back(w[0]);
    EXPECT_EQ(got, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment WHERE preway NOT IN ('1','2')"), 0);
    EXPECT_EQ(db.number("SELECT count(DISTINCT preway) FROM ZOL8_Payment"), 2);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment WHERE Paystas NOT IN (0,-1)"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE Paystas = 0"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE PayAmt = 0"), 0);
    EXPECT_EQ(db.number("SELECT count(DISTINCT Fee) FROM ZOL8_Payment"), 3);  // 0, 10, 15
    // Transfers with and without an account, serial numbers present, empty and absent.
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE payway='1' AND acctid <> ''"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE payway='1' AND acctid = ''"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE payway='1' AND acctid IS NULL"),
              0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE flow_number = ''"), 0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE flow_number IS NULL"), 0);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment WHERE flow_number <> '' AND "
                        "flow_number GLOB '*[^0-9]*'"),
              0);
    EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment WHERE Paystas = -1 AND PayDay IS NULL"),
              0);
    // One payment per student, date and group.
    EXPECT_EQ(db.number("SELECT count(*) FROM (SELECT 1 FROM ZOL8_Payment "
                        "GROUP BY Stdid, TranDay, Grpid HAVING count(*) > 1)"),
              0);
}

TEST_F(SampleDb, AmountsAddUpAndBatchesExist) {
    Db db(package().db());
    // PayAmt is the sum of the payment's items; every payment has items.
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment B LEFT JOIN (SELECT Stdid, Tranday, "
                        "Grpid, sum(Itemamt) AS s FROM Zol9_Payitem GROUP BY 1,2,3) C "
                        "ON B.Stdid=C.Stdid AND B.TranDay=C.Tranday AND B.Grpid=C.Grpid "
                        "WHERE C.s IS NULL OR C.s <> B.PayAmt"),
              0);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment B LEFT JOIN ZOL10_Agency H "
                        "ON B.TranDay=H.TranDay AND B.Grpid=H.GrpID WHERE H.GrpID IS NULL"),
              0);
    EXPECT_EQ(db.number("SELECT count(*) FROM ZOL8_Payment B LEFT JOIN ZOL7_Student A "
                        "ON A.Stdid=B.Stdid WHERE A.Stdid IS NULL"),
              0);
    const long long closed = db.number("SELECT count(*) FROM ZOL10_Agency WHERE PayStas = -1");
    const long long open = db.number("SELECT count(*) FROM ZOL10_Agency WHERE PayStas = 0");
    EXPECT_GT(open, 0);
    EXPECT_GT(closed, open);
    EXPECT_GE(db.number("SELECT count(DISTINCT TranDay) FROM ZOL10_Agency WHERE PayStas = -1"), 4);
    EXPECT_GE(db.number("SELECT count(*) FROM ZOL4_Item"), 10);
    EXPECT_GE(db.number("SELECT count(*) FROM ZOL6_Group"), 3);
}

TEST_F(SampleDb, DatesAreValidAndRecent) {
    Db db(package().db());
    const auto dates = db.rows(
        "SELECT DISTINCT TranDay FROM ZOL8_Payment UNION SELECT DISTINCT PayDay FROM ZOL8_Payment "
        "WHERE PayDay IS NOT NULL UNION SELECT DISTINCT Tranday FROM Zol9_Payitem "
        "UNION SELECT DISTINCT TranDay FROM ZOL10_Agency");
    ASSERT_GT(dates.size(), 10u);
    std::set<int> years;
    for (const auto& d : dates) {
        ASSERT_EQ(d[0].size(), 10u) << d[0];
        const auto parsed = parse_iso_date(d[0]);
        ASSERT_TRUE(parsed) << d[0];
        years.insert(parsed->year);
    }
    EXPECT_GE(*years.begin(), 2024);
    EXPECT_LE(*years.rbegin(), 2026);
    EXPECT_GE(years.size(), 3u);
}

TEST_F(SampleDb, ClassGroupsFitTheReport) {
    Db db(package().db());
    EXPECT_LE(db.number("SELECT max(n) FROM (SELECT count(*) AS n FROM ZOL8_Payment B "
                        "JOIN ZOL7_Student A ON A.Stdid=B.Stdid "
                        "GROUP BY B.TranDay, B.Grpid, A.Grade, A.ClsID)"),
              255);
    EXPECT_LE(
        db.number("SELECT max(n) FROM (SELECT count(DISTINCT Itemid) AS n FROM Zol9_Payitem C "
                  "JOIN ZOL7_Student A ON A.Stdid=C.Stdid "
                  "GROUP BY C.Tranday, C.Grpid, A.Grade, A.ClsID)"),
        15);
    // Some class groups need the second detail line (more than eight item columns).
    EXPECT_GT(
        db.number("SELECT max(n) FROM (SELECT count(DISTINCT Itemid) AS n FROM Zol9_Payitem C "
                  "JOIN ZOL7_Student A ON A.Stdid=C.Stdid "
                  "GROUP BY C.Tranday, C.Grpid, A.Grade, A.ClsID)"),
        8);
}

TEST_F(SampleDb, EveryTextHasABig5Form) {
    Db db(package().db());
    const auto tables = db.rows("SELECT name FROM sqlite_master WHERE type='table'");
    int checked = 0;
    for (const auto& t : tables) {
        const auto cols =
            db.rows("SELECT name FROM pragma_table_info('" + t[0] + "') WHERE type='TEXT'");
        for (const auto& c : cols) {
            for (const auto& v : db.rows("SELECT DISTINCT " + c[0] + " FROM " + t[0] + " WHERE " +
                                         c[0] + " IS NOT NULL")) {
                const std::string big5 = to_big5(v[0]);
                EXPECT_EQ(from_big5(big5), v[0]) << t[0] << "." << c[0];
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 900);
    // Chinese texts are really there: a name is wider than its character count.
    Db again(package().db());
    const auto name = again.rows("SELECT StdName FROM ZOL7_Student LIMIT 1");
    ASSERT_EQ(name.size(), 1u);
    EXPECT_EQ(display_width(name[0][0]), static_cast<int>(2 * utf8_length(name[0][0])));
}

TEST(SampleDbCommand, SameSeedSameFileOtherSeedOtherData) {
    const test::SamplePackage a(250, 42);
    const test::SamplePackage b(250, 42);
    const test::SamplePackage c(250, 43);
    const std::string bytes_a = file_bytes(a.db());
    ASSERT_FALSE(bytes_a.empty());
    EXPECT_TRUE(bytes_a == file_bytes(b.db()));
    const std::string q = "SELECT StdName FROM ZOL7_Student ORDER BY Stdid";
    EXPECT_EQ(Db(a.db()).rows(q), Db(b.db()).rows(q));
    EXPECT_NE(Db(a.db()).rows(q), Db(c.db()).rows(q));
}

TEST(SampleDbCommand, StudentCountIsHonoured) {
    for (long long n : {1LL, 7LL, 40LL}) {
        const test::SamplePackage p(n, 1);
        Db db(p.db());
        EXPECT_EQ(db.number("SELECT count(*) FROM ZOL7_Student"), n);
        EXPECT_GT(db.number("SELECT count(*) FROM ZOL8_Payment"), 0) << n;
    }
}

TEST(SampleDbCommand, ReplacesAnEarlierDatabase) {
    const fs::path base = test::make_temp_dir();
    ASSERT_EQ(test::run_zol5300({"sampledb", base.string(), "--students", "30", "--seed", "5"}), 0);
    // A second run with another size replaces the file, also when mdb is spelt otherwise.
    fs::rename(base / "mdb", base / "MDB");
    ASSERT_EQ(test::run_zol5300({"sampledb", base.string(), "--students", "60"}), 0);
    EXPECT_FALSE(fs::exists(base / "mdb"));
    EXPECT_EQ(Db(base / "MDB" / "ZOL.mdb").number("SELECT count(*) FROM ZOL7_Student"), 60);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(base / "MDB")) ++entries;
    EXPECT_EQ(entries, 1);
    fs::remove_all(base);
}

TEST(SampleDbCommand, RejectsBadArguments) {
    const fs::path base = test::make_temp_dir();
    EXPECT_EQ(test::run_zol5300({"sampledb"}), 2);
    EXPECT_EQ(test::run_zol5300({"sampledb", base.string(), "--students", "0"}), 2);
    EXPECT_EQ(test::run_zol5300({"sampledb", base.string(), "--students", "12x"}), 2);
    EXPECT_EQ(test::run_zol5300({"sampledb", base.string(), "--seed"}), 2);
    EXPECT_EQ(test::run_zol5300({"sampledb", base.string(), "--colour", "red"}), 2);
    EXPECT_FALSE(fs::exists(base / "mdb" / "ZOL.mdb"));
    fs::remove_all(base);
}

}  // namespace
}  // namespace zol
