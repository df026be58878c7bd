// Every table of every sample Jet file, as `zol5300 sql` prints it, against what mdbtools'
// own mdb-export prints: the same values (numbers and dates compared by value), the same
// rows (as multisets). Binary columns are compared byte for byte at the SQLite level.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "data/jet/jet_header.h"
#include "data/jet/jet_loader.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const std::string kJetDir = ZOL_TESTDATA_JET;

std::string shell_quote(const std::string& s) {
    std::string out = "'";
    for (char ch : s) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

std::string run(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int st = ::pclose(p);
    if (status) *status = st;
    return out;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char ch : s) {
        if (ch == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    out.push_back(cur);
    return out;
}

struct ColumnInfo {
    std::string name;
    std::string type;  // as mdb-schema spells it
};

std::vector<ColumnInfo> schema_of(const std::string& file, const std::string& table) {
    const std::string text =
        run("mdb-schema -T " + shell_quote(table) + " " + shell_quote(file) + " 2>/dev/null");
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
        std::string row;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            row += (i ? "\t" : "") +
                   (i < cols.size() ? canonical(cells[i], cols[i]) : "extra:" + cells[i]);
        }
        if (cells.size() != cols.size()) row += "\t<" + std::to_string(cells.size()) + " cells>";
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> tables_of(const std::string& file) {
    std::vector<std::string> out;
    for (const auto& t : split(run("mdb-tables -1 " + shell_quote(file)), '\n')) {
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

TEST(JetExportMatch, MdbtoolsCommandsAreInstalled) {
    int status = -1;
    run("mdb-export --version >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0) << "mdb-export (Debian package mdbtools) is missing";
    run("mdb-tables " + shell_quote(kJetDir + "/testV2000.mdb") + " >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0) << "mdb-tables (Debian package mdbtools) is missing";
}

TEST(JetExportMatch, EveryTableOfEveryFilePrintsWhatMdbExportPrints) {
    const char* bin = std::getenv("ZOL5300_BIN");
    ASSERT_NE(bin, nullptr) << "run through ctest (ZOL5300_BIN)";
    int tables_checked = 0;
    int rows_checked = 0;
    for (const auto& file : sample_files()) {
        for (const auto& table : tables_of(file)) {
            SCOPED_TRACE(file + " / " + table);
            const auto cols = schema_of(file, table);
            ASSERT_FALSE(cols.empty());
            std::string select_list;
            std::vector<ColumnInfo> plain;
            for (const auto& c : cols) {
                if (is_binary(c)) continue;
                select_list += (select_list.empty() ? "" : ", ") + c.name;
                plain.push_back(c);
            }
            const bool all = plain.size() == cols.size();
            const std::string sql =
                "select " + (all ? std::string("*") : select_list) + " from " + table;
            int status = -1;
            const std::string ours = run(
                shell_quote(bin) + " sql " + shell_quote(file) + " " + shell_quote(sql), &status);
            ASSERT_EQ(status, 0) << sql;
            // -Q: no quotes; -B: Yes/No as words; -b hex: binary on one line; -0: null
            // marker; dates as ISO text.
            const std::string theirs =
                run("mdb-export -H -Q -B -b hex -0 NULL -d '\\t' -T '%Y-%m-%d %H:%M:%S' "
                    "-D '%Y-%m-%d' " +
                    shell_quote(file) + " " + shell_quote(table));
            // Drop binary columns from mdb-export's rows as well.
            std::string theirs_plain;
            for (const auto& line : split(theirs, '\n')) {
                if (line.empty()) continue;
                const auto cells = split(line, '\t');
                std::string kept;
                bool first = true;
                for (std::size_t i = 0; i < cells.size() && i < cols.size(); ++i) {
                    if (is_binary(cols[i])) continue;
                    kept += (first ? "" : "\t") + cells[i];
                    first = false;
                }
                theirs_plain += kept + "\n";
            }
            const auto a = canonical_rows(ours, plain);
            const auto b = canonical_rows(theirs_plain, plain);
            EXPECT_EQ(a, b);
            ++tables_checked;
            rows_checked += static_cast<int>(b.size());
        }
    }
    EXPECT_EQ(tables_checked, 8);
    EXPECT_GE(rows_checked, 523);
}

TEST(JetExportMatch, BinaryColumnsHoldTheSameBytes) {
    const std::string file = kJetDir + "/test2V2000.mdb";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    const auto facts = check_jet_file(file);
    load_jet_tables(db.get(), file, facts.page_count, {"msp_projects"}, JetReadLimits{});

    const auto cols = schema_of(file, "MSP_PROJECTS");
    const std::string theirs =
        run("mdb-export -H -Q -b hex -0 NULL -d '\\t' " + shell_quote(file) + " MSP_PROJECTS");
    const auto cells = split(split(theirs, '\n')[0], '\t');
    ASSERT_EQ(cells.size(), cols.size());
    int binary_columns = 0;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        if (!is_binary(cols[i])) continue;
        ++binary_columns;
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db.get(),
                                     ("select \"" + cols[i].name + "\" from MSP_PROJECTS").c_str(),
                                     -1, &s, nullptr),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
        std::string hex;
        if (sqlite3_column_type(s, 0) == SQLITE_NULL) {
            hex = "NULL";
        } else {
            EXPECT_EQ(sqlite3_column_type(s, 0), SQLITE_BLOB);
            const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(s, 0));
            char buf[3];
            for (int k = 0; k < sqlite3_column_bytes(s, 0); ++k) {
                std::snprintf(buf, sizeof buf, "%02X", p[k]);
                hex += buf;
            }
        }
        sqlite3_finalize(s);
        EXPECT_EQ(hex.size(), cells[i].size()) << cols[i].name;
        EXPECT_TRUE(hex == cells[i]) << cols[i].name;
    }
    EXPECT_EQ(binary_columns, 1);
}

TEST(JetExportMatch, DeclaredTypesFollowTheJetTypes) {
    const std::string file = kJetDir + "/testV2000.mdb";
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
    load_jet_tables(db.get(), file, check_jet_file(file).page_count, {"TABLE1"}, JetReadLimits{});
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.get(), "select * from table1", -1, &s, nullptr), SQLITE_OK);
    std::string decl;
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
        decl += std::string(sqlite3_column_name(s, i)) + ":" + sqlite3_column_decltype(s, i) + " ";
    }
    sqlite3_finalize(s);
    EXPECT_EQ(decl,
              "A:TEXT B:TEXT C:INTEGER D:INTEGER E:INTEGER F:DOUBLE G:DATETIME H:CURRENCY "
              "I:BOOLEAN ");
}

}  // namespace
}  // namespace zol
