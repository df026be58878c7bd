// Access-dialect texts and the SQLite texts and results they become.
#include "data/translate.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "data/db_error.h"
#include "data/jet_tokens.h"
#include "data/sqlite_database.h"

namespace zol {
namespace {

// An in-memory database with one table of dates, texts and nulls.
class Translated : public ::testing::Test {
  protected:
    void SetUp() override {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
        db_.reset(raw);
        ASSERT_EQ(
            sqlite3_exec(raw,
                         "CREATE TABLE T(id INTEGER, d DATETIME, s TEXT, n INTEGER);"
                         "INSERT INTO T VALUES (1, '2006-03-15', 'a', 5),"
                         " (2, '2006-03-16 08:00:00', NULL, NULL), (3, '2013-05-25', 'c', -1);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    // The single value of a one-row, one-column result, "NULL" for null.
    std::string scalar(const std::string& access_sql) {
        ResultSet rs = run_access_query(db_.get(), access_sql, "mem");
        EXPECT_EQ(rs.row_count(), 1u) << access_sql;
        if (rs.eof()) return "<no row>";
        return rs.field(0).is_null() ? "NULL" : rs.field(0).text();
    }
    std::vector<long long> ids(const std::string& access_sql) {
        ResultSet rs = run_access_query(db_.get(), access_sql, "mem");
        std::vector<long long> out;
        for (; !rs.eof(); rs.move_next())
            out.push_back(static_cast<long long>(rs.field(0).number()));
        return out;
    }
    SqliteHandle db_;
};

TEST(Translate, DateLiteralsBecomeIsoText) {
    EXPECT_EQ(translate_access_sql("select * from T where d =#03/15/2006#"),
              "select * from T where d ='2006-03-15'");
    EXPECT_EQ(translate_access_sql("select * from T where d >=#2006/3/5#"),
              "select * from T where d >='2006-03-05'");
    EXPECT_EQ(translate_access_sql("select * from T where d < #3/5/2006 14:05#"),
              "select * from T where d < '2006-03-05 14:05:00'");
    EXPECT_EQ(translate_access_sql("select * from T where d < #3/5/2006 2:05:09 PM#"),
              "select * from T where d < '2006-03-05 14:05:09'");
    EXPECT_EQ(translate_access_sql("select * from T where d = #2006-03-15 00:00:00#"),
              "select * from T where d = '2006-03-15'");
    // A # inside a text literal is text.
    EXPECT_EQ(translate_access_sql("select '#1#' from T"), "select '#1#' from T");
}

// Each date literal's month, day, year and time limits, one row on each side ("" refused).
TEST(Translate, DateLiteralBounds) {
    const struct {
        const char* inside;
        const char* iso;
    } rows[] = {
        {"12/31/2006", "2006-12-31"},
        {"13/01/2006", "2006-01-13"},  // a day first
        {"13/13/2006", ""},
        {"0/10/2006", ""},
        {"1/0/2006", ""},
        {"4/30/2006", "2006-04-30"},
        {"4/31/2006", ""},
        {"2/29/2004", "2004-02-29"},
        {"2/29/2006", ""},
        {"2006/12/31", "2006-12-31"},
        {"2006/12/32", ""},
        {"2006-13-01", ""},
        {"2006-00-01", ""},
        {"3/5/29", "2029-03-05"},
        {"3/5/30", "1930-03-05"},
        {"3/5/099", ""},
        {"3/5/0100", "0100-03-05"},
        {"3/5/0099", ""},
        {"206/3/5", ""},
        {"20061/3/5", ""},
        {"3/5/2006 23:59:59", "2006-03-05 23:59:59"},
        {"3/5/2006 24:00", ""},
        {"3/5/2006 23:60", ""},
        {"3/5/2006 0:0:60", ""},
        {"3/5/2006 12:00 AM", "2006-03-05"},
        {"3/5/2006 12:00 PM", "2006-03-05 12:00:00"},
        {"3/5/2006 1:00 PM", "2006-03-05 13:00:00"},
        {"3/5/2006 13:00 PM", ""},
        {"3/5/2006 0:00 AM", ""},
        {"3/5/2006 100:00", ""},
        {"3/5/2006 1:2:3:4", ""},
        {"3/5/2006 10", ""},
        {"3/5", ""},
        {"1/2/3/2006", ""},
        {"3/x/2006", ""},
    };
    for (const auto& r : rows) EXPECT_EQ(jet_sql::jet_date_text(r.inside), r.iso) << r.inside;
    for (const char* sql : {"select 1 where d = ##", "select 1 where d = #03/15/2006"}) {
        EXPECT_THROW(translate_access_sql(sql), DbError) << sql;
    }
}

// How the tokens fall at the edges of each character class: "W:" word, "N:" number, "O:"
// operator, "S:" blank, "T:" text.
TEST(Translate, TokenBoundaries) {
    const auto tokens = [](std::string_view sql) {
        std::string out;
        for (const auto& t : jet_sql::tokenize(sql)) {
            out += std::string("SWNTDO").substr(static_cast<std::size_t>(t.kind), 1) + ":" +
                   t.text + " ";
        }
        return out;
    };
    const struct {
        const char* sql;
        const char* tokens;
    } rows[] = {
        {"az_AZ09", "W:az_AZ09 "},
        {"a@b", "W:a O:@ W:b "},
        {"z{a", "W:z O:{ W:a "},
        {"Z[a]", "W:Z W:[a] "},
        {"@A", "O:@ W:A "},
        {"`x` ", "W:`x` S:  "},
        {"9a", "N:9 W:a "},
        {"0/9:x", "N:0 O:/ N:9 O:: W:x "},
        {"\xc3\xa9"
         "a",
         "W:\xc3\xa9"
         "a "},
        {"\x7f", "O:\x7f "},
        {"1.5e+3x", "N:1.5e+3 W:x "},
        {"1e+", "N:1 W:e O:+ "},
        {"1ex", "N:1 W:ex "},
        {".5.", "N:.5 O:. "},
        {"a<=b", "W:a O:<= W:b "},
        {">=<>", "O:>= O:<> "},
        {"!===", "O:!= O:== "},
        {"||=<", "O:|| O:= O:< "},
        {"'a''b'\"c\"", "T:'a''b' T:'c' "},
        {" \t\r\n", "S: \t\r\n "},
    };
    for (const auto& r : rows) EXPECT_EQ(tokens(r.sql), r.tokens) << r.sql;
    EXPECT_THROW(jet_sql::tokenize("a\x1f"), DbError);
    EXPECT_EQ(tokens("\x20"), "S:  ");
}

TEST(Translate, KeywordGluedToANumberOrQuoteGetsABlank) {
    EXPECT_EQ(translate_access_sql("select 1 where x = -1and y in(1)"),
              "select 1 where x = -1 and y in(1)");
    EXPECT_EQ(translate_access_sql("select 1 where x = 'a'and y = 2or z = 1.5e3and w = 1"),
              "select 1 where x = 'a' and y = 2 or z = 1.5e3 and w = 1");
    EXPECT_EQ(translate_access_sql("select x from T where s = \"it's\""),
              "select x from T where s = 'it''s'");
}

TEST(Translate, OnlyOneSelect) {
    // Writing statements are refused through the database too (the read-only tests).
    EXPECT_EQ(translate_access_sql("SELECT 1 ; "), "SELECT 1");
    // Nesting deeper than 200 is refused, not overflowed.
    const auto nest = [](int n) {
        return "select " + std::string(n, '(') + "1" + std::string(n, ')');
    };
    EXPECT_NO_THROW(translate_access_sql(nest(200)));
    using namespace std::string_literals;
    for (const std::string& bad : {"(select 1)"s, "select 'abc"s, "select [abc from T"s,
                                   "select (1"s, "select 1)"s, "select 1 \0 drop"s, nest(201)})
        EXPECT_THROW(translate_access_sql(bad), DbError) << bad.substr(0, 20);
}

TEST_F(Translated, AmpersandJoinsTextsAndTreatsNullAsEmpty) {
    EXPECT_EQ(scalar("select '代號' & n & '已刪除' from T where id = 1"), "代號5已刪除");
    EXPECT_EQ(scalar("select '代號' & n & '已刪除' from T where id = 2"), "代號已刪除");
    EXPECT_EQ(scalar("select s & n from T where id = 2"), "NULL");  // null & null is null
    EXPECT_EQ(scalar("select n & s from T where id = 3"), "-1c");
    // Arithmetic binds tighter than &, & tighter than comparison.
    EXPECT_EQ(scalar("select n + 1 & 'x' from T where id = 1"), "6x");
    EXPECT_EQ(scalar("select 'x' & n - 1 & n * 2 & n / 5 & n % 3 from T where id = 1"), "x41012");
    EXPECT_EQ(scalar("select iif(s & 'b' = 'ab', 'yes', 'no') from T where id = 1"), "yes");
    EXPECT_EQ(scalar("select upper(s) & lower('X') As t from T where id = 1"), "Ax");
    // A sign opens the operand; a blank may stand before an argument list.
    EXPECT_EQ(scalar("select -n & iif (n = 5, 'x', 'y') & upper (s) from T where id = 1"), "-5xA");
}

TEST_F(Translated, IifIsNullDistinctAndConstants) {
    EXPECT_EQ(scalar("select iif(s is null, 'none', s) from T where id = 2"), "none");
    EXPECT_EQ(scalar("select iif(n, 'y', 'n') from T where id = 2"), "n");  // null condition: else
    EXPECT_EQ(
        scalar("select iif(iif(n = 5, True, False) = -1, 'five', 'other') from T where id = 1"),
        "five");
    EXPECT_EQ(ids("select distinct n from T where n = True or n = 5 order by n"),
              (std::vector<long long>{-1, 5}));
    EXPECT_EQ(
        ids("select id from T where id in(select id from T where s is not null) order by id desc"),
        (std::vector<long long>{3, 1}));
}

TEST_F(Translated, DatesCompareAsDaysAndArriveAsDates) {
    EXPECT_EQ(ids("select id from T where d >=#03/15/2006# and d <=#03/16/2006# order by id"),
              (std::vector<long long>{1}));
    EXPECT_EQ(ids("select id from T where d >#03/16/2006# order by id"),
              (std::vector<long long>{2, 3}));
    ResultSet rs = run_access_query(
        db_.get(), "select d, Max(d), MIN(T.d) as m, max(s), max([d]), min(`T`.`d`) from [T]",
        "mem");
    EXPECT_TRUE(rs.field(0).is_date());
    EXPECT_EQ(rs.field(1).date(), (DateTime{2013, 5, 25}));
    EXPECT_EQ(rs.field("m").date(), (DateTime{2006, 3, 15}));
    EXPECT_TRUE(rs.field(3).is_text());
    EXPECT_TRUE(rs.field(4).is_date() && rs.field(5).is_date());  // bracketed names too
    // After a star, items count from the end; DISTINCT and ALL belong to no item.
    const std::pair<const char*, int> items[] = {{"select *, min(d), max(s) from T", 4},
                                                 {"select distinct min(d), max(s) from T", 0},
                                                 {"select all min(d), max(s) from T", 0}};
    for (const auto& [sql, at] : items) {
        rs = run_access_query(db_.get(), sql, "mem");
        EXPECT_TRUE(rs.field(at).is_date() && rs.field(at + 1).is_text()) << sql;
    }
    // Of an expression: no date; of the table a qualifier names among others: a date.
    rs = run_access_query(db_.get(), "select max(T.d + 0), max(X.d) from T, T as X", "mem");
    EXPECT_TRUE(!rs.field(0).is_date() && rs.field(1).is_date());
    // A star over a subquery's expressions: no item of the outer list stands for them.
    rs = run_access_query(db_.get(), "select * from (select max(d), max(s) from T)", "mem");
    EXPECT_EQ(rs.field(1).text(), "c");
}

TEST(TablesNamed, FromJoinAndCommaLists) {
    EXPECT_EQ(
        tables_named("select distinct a.grpid,b.grpname from ZOL10_Agency a,ZOL6_Group b where "
                     "a.grpid = b.grpid "),
        (std::vector<std::string>{"ZOL10_Agency", "ZOL6_Group"}));
    EXPECT_EQ(
        tables_named(
            "select * from (((ZOL7_Student As A  inner join ZOL8_Payment As B on A.Stdid = "
            "B.Stdid)  left outer join [ZOL4_Item] As D on 1=1) left join zol7_student S on "
            "1=1) where A.Stdid in(select distinct Stdid from ZOL14_Stustas  where Stsid "
            "in(1,3))"),
        (std::vector<std::string>{"ZOL7_Student", "ZOL8_Payment", "ZOL4_Item", "ZOL14_Stustas"}));
    EXPECT_EQ(tables_named("select 'from X' from T1 , T2 As two, T3"),
              (std::vector<std::string>{"T1", "T2", "T3"}));
}

}  // namespace
}  // namespace zol
