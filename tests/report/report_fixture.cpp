#include "report/report_fixture.h"

#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <tuple>

#include "core/big5.h"

namespace zol::test {

namespace {

// Column names spelled as the query does, with mixed case to show that names are matched
// without regard to it.
const std::vector<std::string> kDetailColumns = {
    "TranDay",    "GRPID",      "GrpName",  "Grade",   "ClsID",   "StdID",       "SeatNo",
    "delmark",    "StdName",    "FEE",      "preway",  "ACCTID2", "Flow_Number", "PayDay",
    "Grade_Name", "ClsID_Name", "itemname", "itemamt", "StdNo",   "Itemid"};

Value text(const std::string& s) {
    return Value(s);
}
Value num(long long v) {
    return Value(static_cast<std::int64_t>(v));
}

std::vector<Value> detail_row(const Payment& p, const std::pair<std::string, double>& item) {
    std::map<std::string, Value> v = {
        {"TranDay", Value(p.tranday)},
        {"GRPID", num(p.grpid)},
        {"GrpName", text(p.grpname)},
        {"Grade", num(p.grade)},
        {"ClsID", num(p.clsid)},
        {"StdID", text(p.stdid)},
        {"SeatNo", num(p.seatno)},
        {"delmark", num(p.delmark)},
        {"StdName", text(p.stdname)},
        {"FEE", Value(p.fee)},
        {"preway", text(p.preway)},
        {"ACCTID2", p.acctid2.empty() ? Value() : text(p.acctid2)},
        {"Flow_Number", p.flow_number.empty() ? Value() : text(p.flow_number)},
        {"PayDay", p.payday ? Value(*p.payday) : Value()},
        {"Grade_Name", text(p.grade_name)},
        {"ClsID_Name", text(p.clsid_name)},
        {"itemname", text(item.first)},
        {"itemamt", Value(item.second)},
        {"StdNo", text("S" + p.stdid)},
        {"Itemid", num(1)},
    };
    for (const auto& [name, value] : p.overrides) v[name] = value;
    std::vector<Value> row;
    for (const auto& c : kDetailColumns) row.push_back(v.at(c));
    return row;
}

std::vector<Value> item_row(const Payment& p, const std::string& name) {
    return {Value(p.tranday), num(p.grpid), num(p.grade), num(p.clsid), num(1), text(name)};
}

const std::vector<std::string> kItemColumns = {"TranDay", "Grpid",  "grade",
                                               "Clsid",   "Itemid", "itemname"};

}  // namespace

ResultSet detail_rows(const std::vector<Payment>& payments) {
    std::vector<std::vector<Value>> rows;
    for (const auto& p : payments) {
        for (const auto& item : p.items) rows.push_back(detail_row(p, item));
    }
    return ResultSet(kDetailColumns, std::move(rows));
}

ResultSet item_rows(const std::vector<Payment>& payments) {
    std::vector<std::vector<Value>> rows;
    std::set<std::tuple<int, int, int, long long, long long, long long, std::string>> seen;
    for (const auto& p : payments) {
        for (const auto& item : p.items) {
            auto key = std::make_tuple(p.tranday.year, p.tranday.month, p.tranday.day, p.grpid,
                                       p.grade, p.clsid, item.first);
            if (seen.insert(key).second) rows.push_back(item_row(p, item.first));
        }
    }
    return ResultSet(kItemColumns, std::move(rows));
}

ResultSet item_rows_for(const std::vector<std::pair<Payment, std::vector<std::string>>>& lists) {
    std::vector<std::vector<Value>> rows;
    for (const auto& [p, names] : lists) {
        for (const auto& n : names) rows.push_back(item_row(p, n));
    }
    return ResultSet(kItemColumns, std::move(rows));
}

std::vector<Payment> students(int count, long long grade, long long clsid, const std::string& item,
                              double amount) {
    std::vector<Payment> out;
    for (int i = 0; i < count; ++i) {
        Payment p;
        p.grade = grade;
        p.clsid = clsid;
        p.seatno = 1 + i;
        p.stdid = std::to_string(grade * 100000 + clsid * 1000 + 1 + i);
        p.stdname = "學生" + std::to_string(1 + i);
        p.items = {{item, amount}};
        out.push_back(std::move(p));
    }
    return out;
}

WrittenReport write_report(const std::vector<Payment>& payments, bool merged,
                           std::optional<ResultSet> items) {
    TempDir dir;
    ResultSet detail = detail_rows(payments);
    ResultSet item_list = items ? std::move(*items) : item_rows(payments);
    WriterOptions options;
    options.merged = merged;
    options.print_date = DateTime{2025, 3, 7};
    options.output_path = dir.path() / "rep_5300.TXT";
    WrittenReport run;
    run.pages = print_date(detail, item_list, options);
    run.report = load_report(options.output_path);
    EXPECT_EQ(static_cast<std::size_t>(run.pages), run.report.ff_count());
    EXPECT_TRUE(detail.eof());
    return run;
}

}  // namespace zol::test
