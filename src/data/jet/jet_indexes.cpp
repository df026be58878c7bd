#include "data/jet/jet_indexes.h"

#include "core/text.h"
#include "data/sql_quote.h"

namespace zol {

namespace {

struct LookupIndex {
    const char* table;
    const char* columns;
};

constexpr LookupIndex kIndexes[] = {
    {"ZOL7_Student", "Stdid"},
    {"ZOL7_Student", "Grade, ClsID, SeatNo"},
    {"ZOL8_Payment", "TranDay, Grpid, Stdid"},
    {"ZOL8_Payment", "Stdid"},
    {"Zol9_Payitem", "Stdid, Tranday, Grpid"},
    {"ZOL10_Agency", "TranDay, GrpID"},
    {"ZOL4_Item", "Itemid"},
    {"ZOL11_Class", "Grade, Clsid"},
    {"ZOL13_ClsGrpItem", "itemid"},
    {"ZOL14_Stustas", "Stsid, Stdid"},
};

}  // namespace

void add_lookup_indexes(sqlite3* db, const std::string& table) {
    int n = 0;
    for (const auto& index : kIndexes) {
        if (!iequals(index.table, table)) continue;
        const std::string sql = "CREATE INDEX IF NOT EXISTS " +
                                sql_identifier(table + "_lookup" + std::to_string(++n)) + " ON " +
                                sql_identifier(table) + " (" + index.columns + ")";
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
}

}  // namespace zol
