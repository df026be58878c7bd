// The statements of a run and of the pick lists: their full texts against one golden file
// (tests/fixtures/statements.txt; ZOL_UPDATE_GOLDEN=1 rewrites it), and what they find when
// run on a real package through a data control.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "core/numbers.h"
#include "core/text.h"
#include "data/data_control.h"
#include "data/db_error.h"
#include "query/list_queries.h"
#include "query/payment_query.h"
#include "support/sample_db.h"

namespace zol::test {
namespace {

using Lines = std::vector<std::pair<long long, long long>>;  // (stdid, itemid) per row

// Applies "name=value;..." to a snapshot: text fields by name, "+Flag" / "-Flag" for the
// check boxes and options, and "groups=", "items=", "statuses=" for a partial choice of
// those ids (an entry that is not chosen follows them).
FilterSnapshot snapshot(const std::string& settings) {
    FilterSnapshot f;
    const std::map<std::string, std::string FilterSnapshot::*> texts = {
        {"grade", &FilterSnapshot::CBO_Grade},    {"cls1", &FilterSnapshot::CBO_ClsID},
        {"cls2", &FilterSnapshot::CBO_ClsID2},    {"seat1", &FilterSnapshot::CBO_SeatNo1},
        {"seat2", &FilterSnapshot::CBO_SeatNo2},  {"no1", &FilterSnapshot::Txt_StdNo1},
        {"no2", &FilterSnapshot::Txt_StdNo2},     {"preway", &FilterSnapshot::CBO_preway},
        {"paystas", &FilterSnapshot::CBO_paystas}};
    const std::map<std::string, bool FilterSnapshot::*> flags = {
        {"Chk_1", &FilterSnapshot::Chk_1}, {"Chk_2", &FilterSnapshot::Chk_2},
        {"Chk_3", &FilterSnapshot::Chk_3}, {"Chk_4", &FilterSnapshot::Chk_4},
        {"Opt1", &FilterSnapshot::Opt1},   {"Opt_group1", &FilterSnapshot::Opt_group1}};
    const auto choose = [](ListBoxState& list, std::vector<std::string>& ids, std::string v) {
        list = {};
        ids.clear();
        for (std::size_t at; !v.empty(); v = at == std::string::npos ? "" : v.substr(at + 1)) {
            at = v.find(',');
            ids.push_back(v.substr(0, at));
        }
        list.entries = ids;
        list.selected.assign(ids.size(), true);
        list.entries.push_back("not chosen");
        list.selected.push_back(false);
        ids.push_back("999");
    };
    std::string rest = settings;
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const std::string item = rest.substr(0, end);
        rest = end == std::string::npos ? "" : rest.substr(end + 1);
        const auto eq = item.find('=');
        const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
        if (key[0] == '+' || key[0] == '-') {
            f.*flags.at(key.substr(1)) = key[0] == '+';
        } else if (key == "groups") {
            f.Opt_group1 = false;
            choose(f.Lst_group, f.group_ids, value);
        } else if (key == "items") {
            f.Opt_item1 = false;
            choose(f.Lst_item, f.item_ids, value);
        } else if (key == "statuses") {
            f.Opt1 = false;
            f.Opt2 = true;
            choose(f.Lst_status, f.status_codes, value);
        } else {
            f.*texts.at(key) = value;
        }
    }
    return f;
}

struct Case {
    const char* name;
    QueryDates dates;
    std::string settings;
    std::optional<Lines> lines;  // the rows on packages/small.sql; none: refused
};

const QueryDates kDay{"03/15/2006", "", "", ""};
const Lines kAllOfTheDay{{1, 1}, {1, 2}, {2, 1}, {2, 7}, {3, 1}, {5, 1}, {4, 3}};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"collection date only", kDay, "", kAllOfTheDay},
        {"date and pay-date ranges",
         {"03/15/2006", "04/01/2006", "03/12/2006", "03/30/2006"},
         "",
         Lines{{2, 1}, {2, 7}, {3, 1}, {5, 1}, {6, 2}}},
        {"equal range ends", {"04/01/2006", "04/01/2006", "", ""}, "", Lines{{6, 2}}},
        {"pay date to only (a time of day on that date is later)",
         {"03/15/2006", "", "", "03/14/2006"},
         "",
         Lines{{1, 1}, {1, 2}, {2, 1}, {2, 7}, {5, 1}, {4, 3}}},
        {"groups, items and grade", kDay, "groups=1,2;items=1,3;grade=3",
         Lines{{1, 1}, {2, 1}, {3, 1}, {5, 1}}},
        {"kindergarten grade", kDay, "grade=幼中", Lines{{4, 3}}},
        {"class and seat ranges", kDay, "grade=3;cls1=1;cls2=2;seat1=2;seat2=5",
         Lines{{2, 1}, {2, 7}}},
        {"student numbers, counter, 2 and 3, paid", kDay,
         "no1=S002;no2=S005;preway=臨櫃;-Chk_1;-Chk_4;paystas=已繳", Lines{{2, 1}, {2, 7}, {3, 1}}},
        {"unpaid", kDay, "preway=臨櫃;paystas=未繳", Lines{{5, 1}}},
        {"transfer, methods 1 and 3", kDay, "preway=  轉帳 ;-Chk_2;-Chk_4", Lines{{1, 1}, {1, 2}}},
        {"statuses glued to the pay status", kDay, "paystas=已繳;statuses=1,3",
         Lines{{1, 1}, {1, 2}, {2, 1}, {2, 7}}},
        {"only batches flagged paid", {"05/25/2013", "", "", ""}, "", Lines{{1, 2}}},
        {"partial id lists", kDay, "groups=1;items=1,7",
         Lines{{1, 1}, {2, 1}, {2, 7}, {3, 1}, {5, 1}}},
        {"partial lists with nothing selected", kDay, "groups=;items=", kAllOfTheDay},
        {"selections unused while 全部 is chosen", kDay, "groups=2;+Opt_group1", kAllOfTheDay},
        {"lenient numbers", kDay, "grade=3.5;cls1=3A;cls2=05;seat1=5.5;seat2=AB", Lines{}},
        {"grade 2.5 and quotes doubled", kDay, "grade=2.5;no1=學號\"x;no2=O'Neil' or 1=1 --",
         Lines{}},
        {"grade 幼小, no method but 全部 unchecked, other pay status texts", kDay,
         "grade=幼小;-Chk_1;-Chk_2;-Chk_3;-Chk_4;paystas= 未繳;preway=現金", Lines{}},
        {"methods 2 only", kDay, "-Chk_1;-Chk_3;-Chk_4", Lines{{2, 1}, {2, 7}, {5, 1}, {4, 3}}},
        {"grade beyond 16 bits", kDay, "grade=40000", std::nullopt},
        {"class without a finite number", kDay, "cls1=1e999", std::nullopt},
        {"seat without a finite number", kDay, "seat2=9e999", std::nullopt},
        {"statuses required", kDay, "statuses=", std::nullopt},
    };
    return all;
}

PaymentQuery build(const Case& c) {
    return build_payment_query(snapshot(c.settings), c.dates);
}

const std::vector<std::string> kTranValues = {"03/31/2006", "03/15/2006"};

std::string opt(const std::optional<std::string>& s) {
    return s ? *s : "<none>";
}

std::string statement_texts() {
    std::string out;
    for (const Case& c : cases()) {
        const PaymentQuery q = build(c);
        out += std::string("## ") + c.name + "\n";
        if (q.outcome == QueryOutcome::Built) {
            EXPECT_EQ(q.detail_sql, q.sql_select + q.sql_from + q.sql_order);
            out += q.detail_sql + "\n" + q.item_sql + "\n";
        } else {
            out += "refused: " + q.message + " focus " + std::to_string(static_cast<int>(q.focus)) +
                   "\n";
        }
    }
    out += "## lists\n" + insert_CBO_TranDay_sql() + "\n" + insert_item_sql() + "\n" +
           status_list_sql() + "\n";
    for (const auto& [text, index] : std::vector<std::pair<const char*, int>>{
             {"", -1}, {"095/03/15", 1}, {"095/03/1", -1}, {"095/03/15", 9}})
        out += opt(insert_CBO_sql(text, index, kTranValues)) + "\n";
    for (const char* g : {"3", "", "幼中", "幼大"})
        out += insert_CBO_ClsID_sql(g) + "\n" + insert_CBO_ClsID2_sql(g) + "\n";
    for (const auto& [g, c] :
         std::vector<std::pair<const char*, const char*>>{{"3", "03"}, {"", "1"}, {"3", ""}})
        out += opt(insert_CBO_SeatNo1_sql(g, c)) + "\n" + opt(insert_CBO_SeatNo2_sql(g, c)) + "\n";
    for (const auto& [a, b] :
         std::vector<std::pair<const char*, const char*>>{{"095/03/15", "095/03/31"},
                                                          {" 095/03/15 ", ""},
                                                          {"  ", "102/05/25"},
                                                          {"", ""},
                                                          {"095/03", ""}})
        out += insert_group_sql(a, b) + "\n";
    for (const auto& [a, ai, b, bi] : std::vector<std::tuple<const char*, int, const char*, int>>{
             {"", -1, "", -1},
             {"095/03/15", 5, "", -1},
             {"095/03/15", 1, "", -1},
             {"095/03/15", 1, "095/03/31", 0},
             {"095/03/15", 1, "095/03/3", -1},
             {"", 1, "095/03/31", 0}})
        out += opt(insert_Payday_sql(a, ai, b, bi, kTranValues)) + "\n";
    return out;
}

TEST(Statements, FullTextsMatchTheGoldenFile) {
    const std::string got = statement_texts();
    const fs::path golden = fixture("statements.txt");
    if (std::getenv("ZOL_UPDATE_GOLDEN")) write_file(golden, got);
    EXPECT_TRUE(got == read_file(golden)) << "statements differ from " << golden;
    EXPECT_THROW(insert_CBO_ClsID_sql("99999"), OverflowError);
}

class RunStatements : public ::testing::Test {
  protected:
    Package pkg{Package::Fixture{"packages/small.sql"}};
    DataControl control;
    RunStatements() { control.set_connection_string(pkg.connection()); }
    // All rows read by position, as the loaders read them, cells joined by "|"; null shows
    // as "NULL".
    std::vector<std::string> rows(const std::string& sql) {
        control.set_record_source(sql);
        control.refresh();
        std::vector<std::string> out;
        for (; !control.eof(); control.move_next()) {
            std::string row;
            for (std::size_t i = 0; i < control.result().columns().size(); ++i)
                row += cat(i ? "|" : "",
                           control.field(i).is_null() ? "NULL" : control.field(i).text());
            out.push_back(row);
        }
        control.move_first();
        return out;
    }
};

TEST_F(RunStatements, DetailQueriesFindTheirRowsInReportOrder) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const PaymentQuery q = build(c);
        EXPECT_EQ(q.outcome == QueryOutcome::Built, c.lines.has_value()) << q.message;
        if (!c.lines) continue;
        Lines got;
        for (const auto& r : rows(q.detail_sql)) got.emplace_back(std::stoll(r), 0);
        std::size_t i = 0;
        for (control.move_first(); !control.eof(); control.move_next())
            got[i++].second = static_cast<long long>(control.field("Itemid").number());
        EXPECT_EQ(got, *c.lines);
    }
}

TEST_F(RunStatements, DetailColumnsAsTheWriterReadsThem) {
    rows(build(cases()[0]).detail_sql);
    EXPECT_EQ(control.field("StdName").text(), "王小明");
    EXPECT_EQ(control.field("payDay").date(), (DateTime{2006, 3, 10}));
    EXPECT_EQ(control.field("Preway").text(), "1");  // the payment method, not the table's
    EXPECT_EQ(control.field("acctid2").text(), "12345");
    EXPECT_EQ(control.field("GrpName").text(), "一般群組");
    EXPECT_EQ(control.field("clsid_name").text(), "三年一班");
    EXPECT_EQ(control.field("grade_name").text(), "三年級");
    for (int i = 0; i < 3; ++i) control.move_next();
    EXPECT_EQ(control.field("itemname").text(), "代號7已刪除");
    control.move_next();  // the deleted student, paid with a time of day
    EXPECT_EQ(control.field("DelMark").number(), -1);
    EXPECT_EQ(control.field("payday").date(), (DateTime{2006, 3, 14, 10, 30, 0}));
    control.move_next();  // class 9 has no class row
    EXPECT_TRUE(control.field("clsid_name").is_null());

    std::vector<std::string> items;
    for (const auto& r : rows(build(cases()[0]).item_sql))
        items.push_back(r.substr(r.find('|') + 1));
    EXPECT_EQ(items,
              (std::vector<std::string>{"1|3|1|1|學費", "1|3|1|2|午餐費", "1|3|1|7|代號7已刪除",
                                        "1|3|2|1|學費", "1|3|9|1|學費", "2|14|1|3|點心費"}));
    EXPECT_TRUE(control.field("tranday").is_date());
}

TEST_F(RunStatements, ListLoadersFindTheirEntries) {
    using Rows = std::vector<std::string>;
    const struct {
        std::string sql;
        Rows want;
    } lists[] = {
        {insert_CBO_TranDay_sql(), {"2013-05-25", "2006-04-01", "2006-03-15"}},
        {*insert_CBO_sql("095/03/15", 1, kTranValues), {"1|一般群組", "2|幼稚園"}},
        {*insert_CBO_sql("095/03/1", -1, kTranValues),
         {"1|一般群組", "2|幼稚園", "3|補繳", "4|NULL"}},
        {insert_CBO_ClsID_sql("3"), {"1", "9"}},
        {insert_CBO_ClsID2_sql("3"), {"1", "2", "9"}},
        {insert_CBO_ClsID_sql("幼中"), {"1"}},
        {*insert_CBO_SeatNo1_sql("3", "1"), {"3|1|1|王小明", "3|1|2|李大華"}},
        {*insert_CBO_SeatNo2_sql("3", "2"), {}},
        {insert_group_sql("095/03/15", "095/04/01"), {"1|一般群組", "2|幼稚園"}},
        {insert_group_sql("095/04/01", ""), {"1|一般群組", "3|補繳"}},
        {insert_group_sql("", "095/03/15"), {"1|一般群組", "2|幼稚園"}},
        {insert_item_sql(), {"1|學費", "2|午餐費", "3|點心費"}},
        {*insert_Payday_sql("095/03/15", 1, "095/04/01", 0,
                            std::vector<std::string>{"04/01/2006", "03/15/2006"}),
         {"2006-03-30|2006-03-10"}},
        {*insert_Payday_sql("", 0, "095/03/15", 0, std::vector<std::string>{"03/15/2006"}),
         {"2006-03-14 10:30:00|2006-03-10"}},
        {status_list_sql(), {"1|一般生", "2|低收入戶", "3|原住民", "4|NULL"}},
    };
    for (const auto& l : lists) {
        Rows got = rows(l.sql);
        std::sort(got.begin(), got.end());
        Rows want = l.want;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << l.sql;
    }
    // A shortened date makes no date literal: the group loader's error trap relies on it.
    EXPECT_THROW(rows(insert_group_sql("095/03", "")), DbError);
    EXPECT_THROW(rows(insert_group_sql("095/02/30", "")), DbError);
    rows(insert_CBO_TranDay_sql());
    EXPECT_EQ(control.field(0).date(), (DateTime{2013, 5, 25}));
}

TEST(ListEntries, RowsBecomeEntryTexts) {
    const auto e = tranday_entry(Value(DateTime{2013, 5, 25, 10, 30, 0}));
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text + " " + e->value, "102/05/25 05/25/2013");
    EXPECT_FALSE(tranday_entry(Value()) || tranday_entry(Value(std::int64_t{5})));
    EXPECT_EQ(payday_box_text(Value(DateTime{2011, 12, 1})), "100/12/01");
    EXPECT_EQ(payday_box_text(Value()), std::nullopt);
    EXPECT_EQ(entry_text(Value()) + "|" + entry_text(Value(std::string("  註冊費 "))), "|註冊費");
    EXPECT_EQ(group_list_date("095/03/15"), "2006/03/15");
}

// Each list stops at its bound, counting only the rows that make an entry (a batch
// without a date makes none); field 1 is the text and field 0 the id, both trimmed.
TEST(ListEntries, EachListStopsAtItsBound) {
    const std::pair<PickList, std::size_t> lists[] = {{PickList::TranDay, 501},
                                                      {PickList::Group, 501},
                                                      {PickList::Item, 101},
                                                      {PickList::Status, 1000}};
    for (const auto& [list, bound] : lists) {
        const bool dates = list == PickList::TranDay;
        for (const std::size_t n : {bound - 1, bound, bound + 1}) {
            ResultSet rows({"a", "b"});
            rows.append_null(), rows.append_text("x"), rows.end_row();
            for (std::size_t i = 0; i < n; ++i) {
                rows.append_text("2000-01-02");
                rows.append_text(" t" + std::to_string(i) + " ");
                rows.end_row();
            }
            const auto entries = read_pick_list(list, rows);
            ASSERT_EQ(entries.size(), std::min(dates ? n : n + 1, bound)) << bound << " " << n;
            const PickEntry& e = entries[dates ? 0 : 1];
            EXPECT_EQ(e.text + "|" + e.id, dates ? "089/01/02|01/02/2000" : "t0|2000-01-02");
        }
    }
    ResultSet rows({"a", "b"});
    for (int i = 0; i < 5; ++i) rows.append_text("1"), rows.end_row();
    int taken = 0;
    read_pick_list(PickList::Item, rows, [&](const PickEntry&) { return ++taken < 2; });
    EXPECT_EQ(taken, 2);
}

}  // namespace
}  // namespace zol::test
