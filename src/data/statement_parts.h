// The parts of a SELECT that the data layer needs besides its text: the tables it reads
// (with their aliases) and the items of its select list.
#pragma once

#include <string>
#include <vector>

#include "data/jet_tokens.h"

namespace zol::jet_sql {

struct TableRef {
    std::string name;   // as spelled, without brackets
    std::string alias;  // "" when none
};

// Every table after FROM (with comma-joined lists) and JOIN, subqueries included, in order.
std::vector<TableRef> table_refs(const std::vector<Token>& tokens);

// The items of the outermost select list, each without blanks; empty when the text is
// not a SELECT.
std::vector<std::vector<Token>> select_items(const std::vector<Token>& tokens);

// For an item Max(col), Min(col), Max(t.col) or Min(t.col), with or without an alias:
// the qualifier ("" when none) and the column; nullopt-like empty column otherwise.
struct AggregateColumn {
    std::string qualifier;
    std::string column;
};
AggregateColumn max_min_column(const std::vector<Token>& item);

}  // namespace zol::jet_sql
