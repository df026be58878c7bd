// Bad input through `zol5300 report`: every option given empty, blank, over-long,
// non-numeric, negative, beyond 16 bits, quoted, with "#", and outside Big5. No run may
// crash or fail in the database; refusals say why; a run that stops leaves the previous
// report alone; and a typed text never turns the one SELECT into anything else.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/big5.h"
#include "support/run_capture.h"
#include "support/sample_db.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

using test::RunOutput;

// Runs zol5300 in `cwd` (so that relative file names land there), capturing its output.
RunOutput run(const std::vector<std::string>& args, const fs::path& cwd) {
    return test::run_captured(args, cwd);
}

struct BadForm {
    const char* name;
    std::string text;
};

const std::vector<BadForm>& bad_forms() {
    static const std::vector<BadForm> forms = {
        {"empty", ""},
        {"blank", "   "},
        {"over-long digits", std::string(10000, '9')},
        {"over-long text", std::string(10000, 'x')},
        {"non-numeric", "abc"},
        {"negative", "-5"},
        {"beyond 16 bits", "70000"},
        {"beyond 64 bits", "-99999999999999999999999"},
        {"quote", "1'2"},
        {"double quote", "\"3\""},
        {"hash", "#01/01/2000#"},
        {"outside Big5", "\xF0\x9F\x98\x80\xC3\xA4\xE0\xB8\x81"},  // emoji, a-umlaut, Thai
        {"invalid UTF-8", "\xFF\xFE'\x80"},
    };
    return forms;
}

// True when the text holds a character of the CJK block, i.e. the message was written
// for the user and not by a crash handler.
bool has_chinese(const std::string& s) {
    for (std::size_t i = 0; i + 2 < s.size(); ++i) {
        const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
        if (b(0) >= 0xE4 && b(0) <= 0xE9 && (b(1) & 0xC0) == 0x80 && (b(2) & 0xC0) == 0x80)
            return true;
    }
    return false;
}

std::string roc_of(const std::string& iso) {
    const int year = std::stoi(iso.substr(0, 4)) - 1911;
    std::string y = std::to_string(year);
    while (y.size() < 3) y = "0" + y;
    return y + "/" + iso.substr(5, 2) + "/" + iso.substr(8, 2);
}

// One sample package for the whole file: building it is the slow part.
class BadInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pkg_ = std::make_unique<test::SamplePackage>(60, 7);
        cwd_ = test::make_temp_dir("zol_bad_cwd_");
        const RunOutput dates =
            run({"sql", pkg_->db().string(),
                 "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay"},
                cwd_);
        ASSERT_EQ(dates.code, 0) << dates.err;
        iso_day_ = dates.out.substr(0, 10);
        tranday_ = roc_of(iso_day_);
    }
    static void TearDownTestSuite() {
        pkg_.reset();
        fs::remove_all(cwd_);
    }

    static RunOutput report(std::vector<std::string> options) {
        options.insert(options.begin(), {"report", pkg_->base().string()});
        return run(options, cwd_);
    }
    static fs::path report_file() { return pkg_->rpt() / "rep_5300.TXT"; }

    static std::unique_ptr<test::SamplePackage> pkg_;
    static fs::path cwd_;
    static std::string iso_day_;
    static std::string tranday_;
};

std::unique_ptr<test::SamplePackage> BadInput::pkg_;
fs::path BadInput::cwd_;
std::string BadInput::iso_day_;
std::string BadInput::tranday_;

constexpr const char* kPrevious = "previous report\r\n";

// What must hold for every run of a filter option: an exit code of the documented set
// other than a database failure, a message for a refusal, the old report kept unless a
// new one was written.
void expect_sound_run(const RunOutput& r, const fs::path& report) {
    EXPECT_EQ(r.signal, 0) << "killed by signal " << r.signal << "\n" << r.err;
    EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == 2) << r.code << "\n" << r.err;
    EXPECT_EQ(r.err.find("AddressSanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    if (r.code != 0) {
        EXPECT_TRUE(has_chinese(r.err)) << "no clear message: " << r.err;
        EXPECT_EQ(read_file(report), kPrevious) << "a stopped run touched the report";
    } else {
        EXPECT_NE(read_file(report), kPrevious);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(BadInput, EveryFilterOptionTakesEveryBadForm) {
    const char* options[] = {"--tranday", "--tranday2", "--payday1", "--payday2", "--grade",
                             "--class1",  "--class2",   "--seat1",   "--seat2",   "--stdno1",
                             "--stdno2",  "--preway",   "--paystas", "--methods", "--groups",
                             "--items",   "--statuses"};
    const std::string db_before = read_file(pkg_->db());
    for (const char* option : options) {
        for (const BadForm& form : bad_forms()) {
            SCOPED_TRACE(std::string(option) + " " + form.name);
            write_file(report_file(), kPrevious);
            std::vector<std::string> args;
            if (std::string(option) != "--tranday") args = {"--tranday", tranday_};
            args.push_back(option);
            args.push_back(form.text);
            expect_sound_run(report(args), report_file());
        }
    }
    EXPECT_TRUE(read_file(pkg_->db()) == db_before) << "the database file changed";
}

TEST_F(BadInput, RefusalsGiveTheirOwnMessage) {
    // Outcomes that follow from the check and the option rules, form by form.
    struct Case {
        const char* option;
        const char* form;
        int code;
        const char* message;  // "" when the run goes on
    };
    const Case cases[] = {
        {"--tranday", "empty", 2, "收 款 日 期 必 須 輸 入"},
        {"--tranday", "blank", 2, "不在收款日期清單中"},
        {"--tranday", "hash", 2, "不在收款日期清單中"},
        {"--tranday", "outside Big5", 2, "不在收款日期清單中"},
        {"--tranday2", "empty", 0, ""},
        {"--tranday2", "quote", 2, "不在收款日期清單中"},
        {"--payday1", "empty", 0, ""},
        {"--payday1", "non-numeric", 0, ""},  // no digit reaches the mask: the box stays empty
        {"--payday1", "over-long digits", 2, "日期輸入錯誤"},
        {"--payday2", "negative", 2, "日期輸入錯誤"},
        {"--payday2", "hash", 2, "日期輸入錯誤"},
        {"--grade", "beyond 16 bits", 2, "年級別輸入錯誤"},
        {"--grade", "beyond 64 bits", 2, "年級別輸入錯誤"},
        {"--grade", "negative", 1, "查 無 資 料"},
        {"--grade", "blank", 0, ""},
        {"--class1", "over-long digits", 2, "班別輸入錯誤"},
        {"--class2", "negative", 1, "查 無 資 料"},
        {"--seat1", "over-long digits", 2, "座號輸入錯誤"},
        {"--seat2", "beyond 64 bits", 1, "查 無 資 料"},
        {"--stdno1", "outside Big5", 1, "查 無 資 料"},
        {"--stdno1", "hash", 0, ""},  // '#' sorts before every digit: all students
        {"--preway", "quote", 0, ""},
        {"--paystas", "over-long text", 0, ""},
        {"--methods", "empty", 0, ""},
        {"--methods", "negative", 2, "繳費方式"},
        {"--groups", "blank", 0, ""},
        {"--groups", "beyond 16 bits", 2, "不在群組清單中"},
        {"--items", "quote", 2, "不在項目清單中"},
        {"--statuses", "empty", 2, "身分別須選擇"},
        {"--statuses", "hash", 2, "不在身分別清單中"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.form);
        std::string text;
        for (const BadForm& f : bad_forms()) {
            if (std::string(f.name) == c.form) text = f.text;
        }
        std::vector<std::string> args;
        if (std::string(c.option) != "--tranday") args = {"--tranday", tranday_};
        args.push_back(c.option);
        args.push_back(text);
        const RunOutput r = report(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (*c.message) {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        }
    }
}

TEST_F(BadInput, ProgramOptionsRefuseBadValuesBeforeReading) {
    // --page and --print-date are read before anything else: each bad form is refused with
    // the rule it broke and the usage, and the report is not touched.
    for (const BadForm& form : bad_forms()) {
        SCOPED_TRACE(form.name);
        write_file(report_file(), kPrevious);
        RunOutput r = report({"--tranday", tranday_, "--page", form.text});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("頁次必須是 1 到 32767 的整數"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
        r = report({"--tranday", tranday_, "--print-date", form.text});
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("列印日期必須寫成 YYYY-MM-DD"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(report_file()), kPrevious);
    }
    // Limits of the page number itself.
    EXPECT_EQ(report({"--tranday", tranday_, "--page", "32768"}).code, 2);
    EXPECT_EQ(report({"--tranday", tranday_, "--page", "0"}).code, 2);
    EXPECT_EQ(report({"--tranday", tranday_, "--page", "32767"}).code, 0);
    // An option name given as a bad form is an unknown option.
    const RunOutput r = report({"--tranday", tranday_, "--" + std::string(10000, 'x')});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("不明的選項"), std::string::npos);
}

TEST_F(BadInput, BaseDirectoryAndPdfNameAreFileErrorsAtWorst) {
    for (const BadForm& form : bad_forms()) {
        SCOPED_TRACE(form.name);
        // BASE: the package is not there; "" alone is no BASE at all.
        RunOutput r = run({"report", form.text, "--tranday", tranday_}, cwd_);
        EXPECT_EQ(r.signal, 0);
        EXPECT_TRUE(r.code == 2 || r.code == 4) << r.code << " " << r.err;
        EXPECT_TRUE(has_chinese(r.err)) << r.err;

        // --pdf: a name that cannot be written is a file error, any other is written.
        write_file(report_file(), kPrevious);
        r = report({"--tranday", tranday_, "--stdno1", "0", "--pdf", form.text});
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_TRUE(r.code == 0 || r.code == 1 || r.code == 4) << r.code << " " << r.err;
        if (r.code == 4) {
            EXPECT_NE(r.err.find("PDF"), std::string::npos) << r.err;
        }
    }
}

// The literal after `prefix` in a statement: its text between the quotes as written, and
// the statement with the literal replaced by '?'. Reads SQL quoting: '' is a quote.
struct Literal {
    bool found = false;
    std::string body;
    std::string shape;
};

Literal literal_after(const std::string& sql, const std::string& prefix) {
    Literal l;
    const auto start = sql.find(prefix);
    if (start == std::string::npos) return l;
    std::size_t i = start + prefix.size();
    for (; i < sql.size(); ++i) {
        if (sql[i] != '\'') continue;
        if (i + 1 < sql.size() && sql[i + 1] == '\'') {
            ++i;
            continue;
        }
        l.found = true;
        l.body = sql.substr(start + prefix.size(), i - start - prefix.size());
        l.shape = sql.substr(0, start + prefix.size()) + "?" + sql.substr(i);
        return l;
    }
    return l;
}

// The lines of --sql output: the detail statement and the item statement.
std::vector<std::string> statements(const std::string& out) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < out.size()) {
        const auto nl = out.find('\n', pos);
        lines.push_back(out.substr(pos, nl - pos));
        if (nl == std::string::npos) break;
        pos = nl + 1;
    }
    return lines;
}

std::string doubled_quotes(const std::string& s) {
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

// Sum of the class counts "班總筆數:" of a per-class report: its detail lines.
long report_row_count(const fs::path& report) {
    const std::string text = from_big5(read_file(report));
    const std::string label = "班總筆數:";
    long sum = 0;
    for (auto p = text.find(label); p != std::string::npos; p = text.find(label, p + 1)) {
        std::size_t i = p + label.size();
        while (i < text.size() && text[i] == ' ') ++i;
        std::string digits;
        for (; i < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == ',');
             ++i) {
            if (text[i] != ',') digits += text[i];
        }
        if (!digits.empty()) sum += std::stol(digits);
    }
    return sum;
}

// The payments of `iso_day` whose StdNo compares with `stdno` by `op`, counted directly
// with the text bound as a parameter.
long direct_count(const fs::path& db_path, const std::string& iso_day, const char* op,
                  const std::string& stdno) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const std::string sql =
        "select count(*) from (select distinct B.Stdid, B.TranDay, B.Grpid from ZOL7_Student A "
        "join ZOL8_Payment B on A.Stdid = B.Stdid join Zol9_Payitem C on B.Stdid = C.Stdid "
        "and B.TranDay = C.Tranday and B.Grpid = C.Grpid join ZOL10_Agency H on B.TranDay = "
        "H.TranDay and B.Grpid = H.Grpid where date(B.TranDay) = ?1 and B.PayAmt > 0 and "
        "H.Paystas = -1 and A.StdNo " +
        std::string(op) + " ?2)";
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_bind_text(st, 1, iso_day.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, stdno.c_str(), -1, SQLITE_TRANSIENT);
    long n = -1;
    if (sqlite3_step(st) == SQLITE_ROW) n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

TEST_F(BadInput, StudentNumbersStayOneLiteralOfTheOneSelect) {
    const std::string db_before = read_file(pkg_->db());
    const std::vector<std::string> typed = {
        "x' or 1=1 --",
        "'; drop table ZOL7_Student; --",
        "A' union select * from ZOL8_Payment --",
        "2' or '1'='1",
        "#01/01/2000#",
        "'",
        "''",
        "1030001'; delete from ZOL8_Payment where '1'='1",
        "\xE5\xAD\xB8'\xF0\x9F\x98\x80",
    };
    const struct {
        const char* option;
        const char* prefix;
        const char* op;
    } boxes[] = {{"--stdno1", " and A.StdNo >= '", ">="}, {"--stdno2", " and A.StdNo <= '", "<="}};

    for (const auto& box : boxes) {
        // The statement shapes with a harmless value.
        const RunOutput plain = report({"--tranday", tranday_, box.option, "X", "--sql"});
        ASSERT_EQ(plain.code, 0) << plain.err;
        const std::vector<std::string> reference = statements(plain.out);
        ASSERT_EQ(reference.size(), 2u);

        for (const std::string& text : typed) {
            SCOPED_TRACE(std::string(box.option) + " " + text);
            const RunOutput sql = report({"--tranday", tranday_, box.option, text, "--sql"});
            ASSERT_EQ(sql.code, 0) << sql.err;
            // In both statements the typed text is the body of one literal, quotes doubled,
            // and everything around it is the statement of the harmless value.
            const std::vector<std::string> built = statements(sql.out);
            ASSERT_EQ(built.size(), 2u);
            for (std::size_t k = 0; k < 2; ++k) {
                const Literal l = literal_after(built[k], box.prefix);
                ASSERT_TRUE(l.found);
                EXPECT_EQ(l.body, doubled_quotes(text));
                EXPECT_TRUE(l.shape == literal_after(reference[k], box.prefix).shape)
                    << "statement " << k << " changed shape";
            }

            // The run itself returns normally, and finds exactly the payments whose StdNo
            // compares so with the typed text.
            write_file(report_file(), kPrevious);
            const RunOutput r = report({"--tranday", tranday_, box.option, text});
            ASSERT_TRUE(r.code == 0 || r.code == 1) << r.code << " " << r.err;
            const long expected = direct_count(pkg_->db(), iso_day_, box.op, text);
            if (r.code == 1) {
                EXPECT_EQ(expected, 0);
                EXPECT_EQ(read_file(report_file()), kPrevious);
            } else {
                EXPECT_GT(expected, 0);
                EXPECT_EQ(report_row_count(report_file()), expected);
            }
        }
    }
    // The filters cut somewhere inside the student list, so the counts above mean something.
    EXPECT_GT(direct_count(pkg_->db(), iso_day_, ">=", "A' union select"), 0);
    EXPECT_LT(direct_count(pkg_->db(), iso_day_, ">=", "A' union select"),
              direct_count(pkg_->db(), iso_day_, ">=", ""));
    EXPECT_TRUE(read_file(pkg_->db()) == db_before) << "the database file changed";
}

TEST_F(BadInput, NumberBoxesTakeOnlyTheirLeadingNumber) {
    const std::string db_before = read_file(pkg_->db());
    const struct {
        const char* option;
        const char* text;
        const char* fragment;
    } cases[] = {
        {"--class1", "1; delete from ZOL8_Payment", " and A.ClsID >= 1 and"},
        {"--class2", "#01/01/2000#", " and A.ClsID <= 0 and"},
        {"--seat1", "2' or '1'='1", " and A.SeatNo >= 2 and"},
        {"--seat2", "3 or 1=1", " and A.SeatNo <= 3 and"},
        {"--grade", "3; drop table ZOL7_Student", " and A.Grade = 3 and"},
        {"--grade", "-32768", " and A.Grade = -32768 and"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.option) + " " + c.text);
        const RunOutput r = report({"--tranday", tranday_, c.option, c.text, "--sql"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.out.find(c.fragment), std::string::npos) << r.out;
        for (const char* word : {"delete", "drop", " or 1", "#01/01/2000#"}) {
            EXPECT_EQ(r.out.find(word), std::string::npos) << word;
        }
        const RunOutput run = report({"--tranday", tranday_, c.option, c.text});
        EXPECT_TRUE(run.code == 0 || run.code == 1) << run.code << " " << run.err;
    }
    EXPECT_TRUE(read_file(pkg_->db()) == db_before) << "the database file changed";
}

}  // namespace
}  // namespace zol
