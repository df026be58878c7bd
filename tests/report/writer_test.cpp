// The report writer on payments built in memory: each case's whole report against a kept
// file under tests/fixtures/writer (ZOL_UPDATE_GOLDEN=1 rewrites them; a rewritten file is
// read line by line against the layout rules before it is kept), the file handling, and
// the class groups that must head their own pages.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "data/db_error.h"
#include "report/page_layout.h"
#include "report/report_file.h"
#include "report/report_fixture.h"
#include "report/report_output.h"

namespace zol::test {
namespace {

Payment one(const std::string& stdid = "A1", long long seat = 7) {
    Payment p;
    p.stdid = stdid;
    p.seatno = seat;
    p.payday = DateTime{2010, 12, 31};
    p.items = {{"學費", 1500}, {"書籍費", 300}};
    return p;
}

std::vector<Payment> many(int n, std::function<void(Payment&, int)> change) {
    std::vector<Payment> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(one("S" + std::to_string(i), i + 1));
        change(out.back(), i);
    }
    return out;
}

std::vector<Payment> join(std::vector<Payment> a, const std::vector<Payment>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::pair<std::string, double>> numbered_items(int n, double amount) {
    std::vector<std::pair<std::string, double>> out;
    for (int k = 1; k <= n; ++k) out.push_back({"項目" + std::to_string(k), amount});
    return out;
}

// Two classes, the second with items of its own.
std::vector<Payment> own_columns() {
    return many(2, [](Payment& p, int i) {
        p.clsid = i + 1;
        if (i == 1) p.items = {{"午餐費", 30}, {"學費", 900}};
    });
}

struct Case {
    const char* file;
    std::function<std::vector<Payment>()> payments;
    bool merged = false;
    std::function<std::optional<ResultSet>()> items = [] { return std::nullopt; };
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"one_student", [] { return students(1, 3, 5); }},
        {"thirty_fill_a_page", [] { return students(30, 3, 5); }},
        {"thirty_one_two_pages", [] { return students(31, 3, 5); }},
        {"thirty_merged", [] { return students(30, 3, 5); }, true},
        {"thirty_one_merged", [] { return students(31, 3, 5); }, true},
        {"three_classes_merged",
         [] {
             return join(join(students(2, 3, 1, "學費", 1000), students(2, 3, 2, "學費", 2000)),
                         students(2, 3, 3, "學費", 3000));
         },
         true},
        {"two_classes", [] { return join(students(2, 3, 5), students(3, 3, 6, "學費", 500)); }},
        {"eight_items_one_line",
         [] { return many(3, [](Payment& p, int) { p.items = numbered_items(8, 10); }); }},
        {"nine_items_two_lines",
         [] { return many(16, [](Payment& p, int) { p.items = numbered_items(9, 10); }); }},
        {"zero_and_missing_amounts",
         [] {
             return many(3, [](Payment& p, int i) {
                 if (i == 1) p.items[1].second = 0;
                 if (i == 2) p.items = {{"學費", 25}};
             });
         }},
        {"serial_number_and_no_debit_date",
         [] {
             return many(3, [](Payment& p, int i) {
                 p.flow_number = i == 0 ? "42" : i == 1 ? "1234567" : "";
                 if (i == 2) p.payday.reset();
             });
         }},
        {"deleted_seat_and_item_lines",
         [] {
             return many(3, [](Payment& p, int i) {
                 p.delmark = i == 1 ? -1 : 0;
                 p.seatno = i == 2 ? 123 : p.seatno;
                 if (i == 2) p.items.push_back({"午餐費", 30});
             });
         }},
        {"payment_methods",
         [] {
             const char* ways[][2] = {{"1", "0012345"}, {"1", ""},   {"1", "   "}, {"2", ""},
                                      {"3", ""},        {"4", ""},   {"5", ""},    {"6", ""},
                                      {"7", ""},        {" 2 ", ""}, {"9", ""}};
             return many(11, [&](Payment& p, int i) {
                 p.preway = ways[i][0];
                 p.acctid2 = ways[i][1];
             });
         }},
        {"grades_merged",
         [] {
             const long long grades[] = {1, 9, 10, 12, 13, 14, 15, 16, 0};
             return many(9, [&](Payment& p, int i) { p.grade = grades[i]; });
         },
         true},
        {"tenth_column_shown_eleventh_left_out",
         [] {
             Payment p = one();
             p.items = numbered_items(9, 100);
             p.items.push_back({"雜費", 1000});
             p.items.push_back({"其他", 5000});
             return std::vector<Payment>{p};
         },
         false,
         [] {
             Payment listed = one();
             std::vector<std::string> names;
             for (const auto& [name, amount] : numbered_items(9, 0)) names.push_back(name);
             return std::optional<ResultSet>(item_rows_for({{listed, names}}));
         }},
        {"sixteen_listed_items",
         [] { return many(1, [](Payment& p, int) { p.items = numbered_items(16, 10); }); }},
        {"header_cells",
         [] {
             return many(1, [](Payment& p, int) {
                 p.items = {{"學費", 1},
                            {"代收代辦費用", 1},
                            {"abcdefgh", 1},
                            {"家長會費補助款項目", 1},
                            {"abcdefghi", 1}};
             });
         }},
        {"own_columns_per_class", own_columns},
        {"own_columns_merged", own_columns, true},
        {"wide_names_and_class_text",
         [] {
             return many(2, [](Payment& p, int i) {
                 p.stdname = i == 0 ? "歐陽司馬上官諸葛大名" : "歐陽司馬上官諸葛大名小";
                 p.flow_number = i == 0 ? "42" : "";
                 p.grade_name = "國民小學三年級普通班";
                 p.clsid_name = "資優實驗忠孝仁愛班";
             });
         }},
        {"three_hundred_students", [] { return students(300, 3, 5); }},
        {"nulls_and_empty_id",
         [] {
             return many(2, [](Payment& p, int i) {
                 if (i == 0) {
                     p.stdid = "";
                     p.overrides = {{"FEE", Value()}, {"itemamt", Value()}, {"delmark", Value()}};
                 }
             });
         }},
        {"sums_beyond_32_bits", [] { return students(3, 3, 5, "學費", 2000000000.0); }},
        {"unknown_grade_and_a_text_collection_date",
         [] {
             return many(1, [](Payment& p, int) {
                 p.grade = 16;
                 p.overrides = {{"TranDay", Value(std::string(" 下週一 "))}};
             });
         }},
        {"sums_beyond_64_bits", [] { return students(3, 3, 5, "學費", 5e18); }},
        {"dates_stored_as_text",
         [] {
             return many(1, [](Payment& p, int) {
                 p.overrides = {{"TranDay", Value(std::string("2010-12-31"))},
                                {"PayDay", Value(std::string("2011-01-05 10:30:00"))}};
             });
         },
         false,
         [] {
             Payment listed = one();
             listed.tranday = DateTime{2010, 12, 31};
             return std::optional<ResultSet>(item_rows_for({{listed, {"書籍費", "學費"}}}));
         }},
        // Names with characters outside code page 950, negative amounts, and merged mode
        // with more than eight item columns.
        {"outside_big5_and_negative_amounts",
         [] {
             return many(2, [](Payment& p, int i) {
                 p.stdname = i == 0 ? "𠮷田Zoë" : "王\xE2\x80\x8B小明";
                 p.items = {{"學費", i == 0 ? -1500.0 : 1500.0}, {"退費☃", -300}};
                 p.fee = -15;
             });
         }},
        {"merged_more_than_eight_items",
         [] {
             return many(3, [](Payment& p, int i) {
                 p.clsid = i + 1;
                 p.items = numbered_items(9 + i, 10 * (i + 1));
             });
         },
         true},
    };
    return all;
}

::testing::AssertionResult same_report(const std::string& got, const fs::path& golden) {
    const Report a = parse_report(got), b = load_report(golden);
    for (std::size_t i = 0; i < std::max(a.lines.size(), b.lines.size()); ++i) {
        const std::string x = i < a.lines.size() ? a.text(i) : "<none>";
        const std::string y = i < b.lines.size() ? b.text(i) : "<none>";
        if (x != y)
            return ::testing::AssertionFailure() << golden << " line " << i + 1 << "\n  got:  ["
                                                 << x << "]\n  want: [" << y << "]";
    }
    if (got != b.bytes) return ::testing::AssertionFailure() << golden << ": bytes differ";
    return ::testing::AssertionSuccess();
}

TEST(Writer, EachCaseWritesItsKeptReport) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.file);
        const WrittenReport run = write_report(c.payments(), c.merged, c.items());
        const fs::path golden = fixture(std::string("writer/") + c.file + ".TXT");
        if (std::getenv("ZOL_UPDATE_GOLDEN")) write_file(golden, run.report.bytes);
        EXPECT_TRUE(same_report(run.report.bytes, golden));
    }
}

// Two class groups that differ only in collection date, or only in payment group: each
// heads its own pages with its own date, group name and item columns.
TEST(Writer, ClassGroupsDifferingInOneKeyHeadTheirOwnPages) {
    Payment a = one("A1"), b = one("B1");
    b.items = {{"午餐費", 700}};
    b.tranday = DateTime{2025, 4, 1};
    Payment c = b;
    c.tranday = a.tranday;
    c.grpid = 2;
    c.grpname = "下學期學雜費";
    for (const auto& [second, date, group] :
         {std::tuple{b, "114/04/01", "上學期學雜費"}, std::tuple{c, "114/03/07", "下學期學雜費"}}) {
        const Report r = write_report({a, second}, false).report;
        ASSERT_EQ(r.ff_count(), 2u);
        const std::vector<std::string> p1 = r.page(1), p2 = r.page(2);
        EXPECT_NE(p1[1].find("收款日期: 114/03/07     繳費群組： 上學期學雜費"), std::string::npos);
        EXPECT_NE(p2[1].find(std::string("收款日期: ") + date + "     繳費群組： " + group),
                  std::string::npos)
            << p2[1];
        EXPECT_NE(p1[3].find("學費    書籍費"), std::string::npos) << p1[3];
        EXPECT_EQ(p2[3].find("學費"), std::string::npos) << p2[3];
        EXPECT_TRUE(p2[3].find("午餐費") != p2[3].npos && p2[6].find("       700") != p2[6].npos);
    }
}

TEST(Writer, PageHeaderWithoutItemColumnsGoesStraightToTheTotalCaption) {
    TempDir dir;
    WriterState s;
    s.print_date = "114年03月07日";
    s.header_date = "114/03/07";
    s.group_name = "群組";
    s.row_table.assign(2, {});
    s.row_table[1][kGradeCode] = "3";
    s.row_table[1][kClass] = "05";
    s.row_names.assign(2, {});
    s.item_table.assign(1, {});
    {
        ReportOutput out(dir / "h.txt");
        write_page_header(out, s, 1);
        out.commit();
    }
    const Report r = load_report(dir / "h.txt");
    ASSERT_EQ(r.lines.size(), 13u);
    EXPECT_EQ(r.text(10),
              "    年   班 座號  學生姓名  電腦流水號  繳款方式  手續費  收款總金額  實扣日期");
    EXPECT_EQ(r.text(5), "    三 年 05 班 " + std::string(26, ' ') +
                             "收款日期: 114/03/07     繳費群組： 群組");
}

// A run that fails leaves the previous report and no temporary file; an empty result is
// an error (a file that cannot be made: the command-line tests).
TEST(WriterFile, FailuresKeepThePreviousReport) {
    const TempDir dir;
    const fs::path target = dir / "rep_5300.TXT";
    const auto write = [&](const std::vector<Payment>& ps, ResultSet items, fs::path to) {
        ResultSet detail = detail_rows(ps);
        return print_date(detail, items, WriterOptions{false, DateTime{2025, 3, 7}, to});
    };
    write_file(target, "OLD REPORT\r\n");
    ResultSet no_names({"TranDay", "Grpid", "grade", "Clsid"},
                       {{Value(DateTime{2025, 3, 7}), Value(std::int64_t{1}),
                         Value(std::int64_t{3}), Value(std::int64_t{5})}});
    EXPECT_THROW(write({one()}, std::move(no_names), target), DbError);
    EXPECT_THROW(write({}, item_rows({}), target), ReportError);
    EXPECT_EQ(read_file(target), "OLD REPORT\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
    fs::remove(target);
    // A new report may be read and replaced by the other clerks of the group.
    const mode_t umask_before = ::umask(002);
    EXPECT_EQ(write({one()}, item_rows({one()}), target), 1);
    ::umask(umask_before);  // the rest of this process keeps its own
    EXPECT_EQ(load_report(target).lines.size(), 49u);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0664));
    fs::remove(target);
    fs::create_directory(target);
    EXPECT_THROW(write({one()}, item_rows({one()}), target), ReportError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(ReportPaths, BothSpellingsNameOneFile) {
    TempDir dir;
    write_file(dir / "RPT" / "rep_5300.TXT", "x");
    EXPECT_EQ(report_path(dir.path().string()), dir / "RPT" / "rep_5300.TXT");
    EXPECT_EQ(handed_over_path(dir.path().string()), dir / "RPT" / "rep_5300.TXT");
}

}  // namespace
}  // namespace zol::test
