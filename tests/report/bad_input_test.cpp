// Bad input in every field, through the filter check and the run on a real package: each
// run either writes the report or stops with one of the program's own messages, never
// fails in the database, leaves the previous report alone when it stops, and never turns
// the one SELECT into anything else (the statement texts are in the statements' golden file).
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "report/report_run.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

struct BadForm {
    const char* name;
    std::string text;
};

const BadForm kBadForms[] = {
    {"empty", ""},
    {"blank", "   "},
    {"over-long digits", std::string(10000, '9')},
    {"over-long text", std::string(10000, 'x')},
    {"non-numeric", "abc"},
    {"negative", "-5"},
    {"beyond 16 bits", "70000"},
    {"beyond 64 bits", "-99999999999999999999999"},
    {"quote", "1'2"},
    {"sql", "1' or '1'='1'; delete from ZOL8_Payment --"},
    {"hash", "#01/01/2000#"},
    {"outside Big5", "\xF0\x9F\x98\x80\xC3\xA4\xE0\xB8\x81"},
    {"invalid UTF-8", "\xFF\xFE'\x80"},
};

using Field = std::string FilterSnapshot::*;
const std::pair<const char*, Field> kFields[] = {
    {"CBO_TranDay", &FilterSnapshot::CBO_TranDay}, {"CBO_TranDay2", &FilterSnapshot::CBO_TranDay2},
    {"Msk_payday1", &FilterSnapshot::Msk_payday1}, {"Msk_payday2", &FilterSnapshot::Msk_payday2},
    {"CBO_Grade", &FilterSnapshot::CBO_Grade},     {"CBO_ClsID", &FilterSnapshot::CBO_ClsID},
    {"CBO_ClsID2", &FilterSnapshot::CBO_ClsID2},   {"CBO_SeatNo1", &FilterSnapshot::CBO_SeatNo1},
    {"CBO_SeatNo2", &FilterSnapshot::CBO_SeatNo2}, {"Txt_StdNo1", &FilterSnapshot::Txt_StdNo1},
    {"Txt_StdNo2", &FilterSnapshot::Txt_StdNo2},   {"CBO_preway", &FilterSnapshot::CBO_preway},
    {"CBO_paystas", &FilterSnapshot::CBO_paystas},
};

const std::set<std::string> kKnownMessages = {"收 款 日 期 必 須 輸 入",
                                              "收款日期(至)必須由清單選取",
                                              "日期輸入錯誤",
                                              "年級別輸入錯誤",
                                              "班別輸入錯誤",
                                              "座號輸入錯誤",
                                              "查 無 資 料"};

// Puts a text into the named field as typing or pasting would: a collection date typed so
// has no list entry behind it.
void put(FilterSnapshot& f, const std::string& name, const std::string& text) {
    for (const auto& [n, field] : kFields) {
        if (n == name) f.*field = text;
    }
    if (name == "CBO_TranDay") f.CBO_TranDay_index = -1;
}

struct Outcome {
    std::string message;  // "" when the report was written
    int detail_rows = 0;
};

class BadInput : public ::testing::Test {
  protected:
    Package pkg{Package::Fixture{"packages/small.sql"}};
    DataControl print, cbo;
    const std::string previous = "previous report\r\n";

    BadInput() {
        print.set_connection_string(pkg.connection());
        cbo.set_connection_string(pkg.connection());
    }
    static FilterSnapshot one_date() {
        FilterSnapshot f;
        f.tranday_values = {"03/15/2006"};
        f.CBO_TranDay = "095/03/15";
        f.CBO_TranDay_index = 0;
        return f;
    }
    // The check, then the run; fails the test on a database or file error.
    Outcome run(FilterSnapshot f) {
        write_file(pkg.report(), previous);
        const CheckResult check = Check_Text(f);
        if (check.outcome == CheckOutcome::Failed) return {check.message};
        try {
            const RunResult r =
                select_data({f, check.dates, pkg.base().string(), {2025, 3, 7}}, print, cbo);
            if (r.outcome != RunOutcome::Written) return {r.message};
            // The run streamed its rows: count them by opening its statement again.
            print.refresh();
            return {"", static_cast<int>(print.row_count())};
        } catch (const std::exception& e) {
            ADD_FAILURE() << "run failed: " << e.what();
            return {"<error>"};
        }
    }
};

TEST_F(BadInput, EveryFieldTakesEveryBadForm) {
    const std::string db_before = read_file(pkg.db());
    for (const auto& [name, field] : kFields) {
        for (const BadForm& form : kBadForms) {
            SCOPED_TRACE(std::string(name) + " " + form.name);
            FilterSnapshot f = one_date();
            put(f, name, form.text);
            for (const bool preview : {true, false}) {
                f.preview_mode = preview;
                const Outcome o = run(f);
                if (o.message.empty()) {
                    EXPECT_GT(o.detail_rows, 0);
                    EXPECT_NE(read_file(pkg.report()), previous);
                } else {
                    EXPECT_TRUE(kKnownMessages.count(o.message)) << o.message;
                    EXPECT_EQ(read_file(pkg.report()), previous);
                }
            }
        }
    }
    EXPECT_TRUE(read_file(pkg.db()) == db_before) << "the database file changed";
}

// Counts the item lines of 2006-03-15 whose student number compares so with the text,
// the text bound as a parameter.
long long direct_count(const fs::path& db_path, const char* op, const std::string& stdno) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    const std::string sql =
        "select count(*) from ZOL7_Student A join ZOL8_Payment B on A.Stdid = B.Stdid join "
        "Zol9_Payitem C on B.Stdid = C.Stdid and B.TranDay = C.Tranday and B.Grpid = C.Grpid "
        "join ZOL10_Agency H on B.TranDay = H.TranDay and B.Grpid = H.Grpid where B.TranDay = "
        "'2006-03-15' and B.PayAmt > 0 and H.Paystas = -1 and A.StdNo " +
        std::string(op) + " ?1";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    sqlite3_bind_text(st, 1, stdno.c_str(), -1, SQLITE_TRANSIENT);
    const long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

// Each text runs as one literal: the run finds exactly the lines whose student number
// compares so with it.
TEST_F(BadInput, StudentNumbersStayOneLiteralOfTheOneSelect) {
    const std::string typed[] = {"x' or 1=1 --",
                                 "'; drop table ZOL7_Student; --",
                                 "S003' union select * from ZOL8_Payment --",
                                 "S002' or '1'='1",
                                 "''",
                                 "S00\xE5\xAD\xB8'\xF0\x9F\x98\x80"};
    for (const auto& [field, op] : {std::pair{&FilterSnapshot::Txt_StdNo1, ">="},
                                    std::pair{&FilterSnapshot::Txt_StdNo2, "<="}}) {
        for (const std::string& text : typed) {
            SCOPED_TRACE(op + text);
            FilterSnapshot f = one_date();
            f.*field = text;
            EXPECT_EQ(run(f).detail_rows, direct_count(pkg.db(), op, text));
        }
    }
    // The filters cut inside the student list, so the counts above mean something.
    EXPECT_GT(direct_count(pkg.db(), ">=", "S003' union"), 0);
    EXPECT_LT(direct_count(pkg.db(), ">=", "S003' union"), direct_count(pkg.db(), ">=", ""));
}

}  // namespace
}  // namespace zol::test
