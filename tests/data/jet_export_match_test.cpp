// Every table of every sample Jet file, as `zol5300 sql` prints it, against what mdbtools'
// own mdb-export prints: the same values (numbers and dates compared by value, binary
// columns as hex), the same rows (as multisets).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "core/text.h"
#include "support/run_capture.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const std::string kJetDir = ZOL_TESTDATA_JET;

// What a program prints on its standard output.
std::string run(std::vector<std::string> argv) {
    return test::run_program(std::move(argv)).out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out(1);
    for (char ch : s) ch == sep ? void(out.emplace_back()) : out.back().push_back(ch);
    return out;
}

struct ColumnInfo {
    std::string name;
    std::string type;  // as mdb-schema spells it
};

std::vector<ColumnInfo> schema_of(const std::string& file, const std::string& table) {
    const std::string text = run({"mdb-schema", "-T", table, file});
    static const std::regex line(R"(^\s*\[([^\]]+)\]\s+(.+?),?\s*$)");
    std::vector<ColumnInfo> cols;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        std::smatch m;
        if (l.find("CREATE TABLE") == std::string::npos && std::regex_match(l, m, line)) {
            cols.push_back({m[1], m[2]});
        }
    }
    return cols;
}

bool is_binary(const ColumnInfo& c) {
    return c.type.rfind("OLE", 0) == 0 || c.type.rfind("Binary", 0) == 0;
}

// One cell in a spelling-free form: numbers by value, midnight times dropped, Yes/No as
// -1/0 (mdb-export prints TRUE/FALSE with -B).
std::string canonical(const std::string& cell, const ColumnInfo& col) {
    if (cell == "NULL") return cell;
    if (is_binary(col)) return cell.empty() ? "NULL" : cell;  // hex(null) is empty
    if (col.type.rfind("Boolean", 0) == 0) {
        if (cell == "TRUE" || cell == "-1") return "-1";
        if (cell == "FALSE" || cell == "0") return "0";
        return "bool?" + cell;
    }
    static const std::regex midnight(R"(^(\d{4}-\d{2}-\d{2}) 00:00:00$)");
    std::smatch m;
    if (std::regex_match(cell, m, midnight)) return m[1];
    if (col.type.rfind("Text", 0) == 0 || col.type.rfind("Memo", 0) == 0) return cell;
    char* end = nullptr;
    const double v = std::strtod(cell.c_str(), &end);
    if (!cell.empty() && end && *end == '\0' && std::isfinite(v)) {
        char buf[64];
        // A Single keeps 7 significant digits; everything else is a double.
        std::snprintf(buf, sizeof buf, col.type.rfind("Single", 0) == 0 ? "%.7g" : "%.15g", v);
        return buf;
    }
    return cell;
}

std::vector<std::string> canonical_rows(const std::string& text,
                                        const std::vector<ColumnInfo>& cols) {
    std::vector<std::string> rows;
    for (const auto& line : split(text, '\n')) {
        if (line.empty()) continue;
        const auto cells = split(line, '\t');
        // A row with more or fewer cells than columns shows its count.
        std::string row = cells.size() == cols.size() ? "" : std::to_string(cells.size()) + ":";
        for (std::size_t i = 0; i < cells.size() && i < cols.size(); ++i)
            row += cat("\t", canonical(cells[i], cols[i]));
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> tables_of(const std::string& file) {
    std::vector<std::string> out;
    for (const auto& t : split(run({"mdb-tables", "-1", file}), '\n')) {
        if (!t.empty()) out.push_back(t);
    }
    return out;
}

std::vector<std::string> sample_files() {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(kJetDir)) {
        // The sample package is checked against its SQLite form instead: mdb-export prints
        // its zero-length texts as nulls.
        if (e.path().extension() == ".mdb" && e.path().stem() != "zol-sample")
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(JetExportMatch, EveryTableOfEveryFilePrintsWhatMdbExportPrints) {
    int tables_checked = 0;
    int rows_checked = 0;
    for (const auto& file : sample_files()) {
        for (const auto& table : tables_of(file)) {
            SCOPED_TRACE(file + " / " + table);
            const auto cols = schema_of(file, table);
            ASSERT_FALSE(cols.empty());
            // Binary columns as hex text, as mdb-export prints them.
            std::string select_list;
            for (const auto& c : cols)
                select_list += (select_list.empty() ? "" : ", ") +
                               (is_binary(c) ? "hex(" + c.name + ")" : c.name);
            const std::string sql = "select " + select_list + " from " + table;
            const test::RunOutput ours = test::run_captured({"sql", file, sql});
            ASSERT_EQ(ours.code, 0) << sql << ours.err;
            // -Q: no quotes; -B: Yes/No as words; -b hex: binary on one line; -0: null
            // marker; dates as ISO text.
            const std::string theirs =
                run({"mdb-export", "-H", "-Q", "-B", "-b", "hex", "-0", "NULL", "-d", "\\t", "-T",
                     "%Y-%m-%d %H:%M:%S", "-D", "%Y-%m-%d", file, table});
            const auto a = canonical_rows(ours.out, cols);
            const auto b = canonical_rows(theirs, cols);
            EXPECT_EQ(a, b);
            ++tables_checked;
            rows_checked += static_cast<int>(b.size());
        }
    }
    EXPECT_EQ(tables_checked, 8);
    EXPECT_GE(rows_checked, 523);
}

}  // namespace
}  // namespace zol
