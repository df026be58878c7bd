// Builds the two result sets of a report run in memory and reads a written report back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/date.h"
#include "data/result_set.h"
#include "report/report_writer.h"
#include "support/files.h"
#include "support/report_pages.h"

namespace zol::test {

// One payment of one student, with its fee-item lines.
struct Payment {
    DateTime tranday{2025, 3, 7};
    long long grpid = 1;
    std::string grpname = "上學期學雜費";
    long long grade = 3;
    long long clsid = 5;
    std::string stdid;
    long long seatno = 1;
    long long delmark = 0;
    std::string stdname = "王小明";
    double fee = 15;
    std::string preway = "2";
    std::string acctid2;
    std::string flow_number;
    std::optional<DateTime> payday;
    std::string grade_name = "三年級";
    std::string clsid_name = "忠班";
    std::vector<std::pair<std::string, double>> items;
    // Field values that replace the ones above (for nulls and odd types), by column name.
    std::map<std::string, Value> overrides;
};

// Detail rows: one per item line, in the order given.
ResultSet detail_rows(const std::vector<Payment>& payments);
// Item rows: the distinct (key, item name) pairs in order of first appearance.
ResultSet item_rows(const std::vector<Payment>& payments);
// Item rows given explicitly: (payment whose key is used, item names).
ResultSet item_rows_for(const std::vector<std::pair<Payment, std::vector<std::string>>>& lists);

// Students numbered from 1, one item line each of `amount` under `item`.
std::vector<Payment> students(int count, long long grade, long long clsid,
                              const std::string& item = "學費", double amount = 1000);

struct WrittenReport {
    Report report;
    int pages = 0;
};
// Writes a report of the payments (items from item_rows unless given) into a temporary
// directory with the print date 2025-03-07, and checks that the page count handed back
// equals the number of FF lines.
WrittenReport write_report(const std::vector<Payment>& payments, bool merged,
                           std::optional<ResultSet> items = std::nullopt);

}  // namespace zol::test
