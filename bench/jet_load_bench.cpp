// Loading every table of a Jet file into the in-memory copy, against mdbtools' mdb-export of
// the same tables to /dev/null, in one run; and the cost of a second query on the unchanged
// file (which must not read the file again).
//   jet_load_bench [FILE...]   (default: the sample files testV2000.mdb and compIndexTestV2000.mdb)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "data/database.h"
#include "data/jet/jet_database.h"
#include "data/result_set.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepetitions = 7;

double seconds_since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::string> tables_of(const std::string& file) {
    std::vector<std::string> out;
    const std::string cmd = "mdb-tables -1 '" + file + "'";
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p)) {
            std::string t(line);
            while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
            if (!t.empty()) out.push_back(t);
        }
        ::pclose(p);
    }
    return out;
}

// mdb-export FILE TABLE > /dev/null, for every table, one process each.
double export_all(const std::string& file, const std::vector<std::string>& tables) {
    const auto start = Clock::now();
    for (const auto& t : tables) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args = {"mdb-export", file, t};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, "mdb-export", &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    return seconds_since(start);
}

// One statement that names every table, so that one query loads them all.
std::string statement_for(const std::vector<std::string>& tables) {
    std::string sql;
    for (const auto& t : tables) {
        sql += (sql.empty() ? "" : " union all ") + std::string("select count(*) from [") + t + "]";
    }
    return sql;
}

void bench(const std::string& file) {
    const auto tables = tables_of(file);
    if (tables.empty()) {
        std::printf("%s: no tables (is mdbtools installed?)\n", file.c_str());
        return;
    }
    const std::string sql = statement_for(tables);
    std::vector<double> ours, theirs, first, second;
    long long rows = 0;
    for (int i = 0; i < kRepetitions; ++i) {
        // Alternate the order so that neither side always runs on a warm cache.
        if (i % 2) theirs.push_back(export_all(file, tables));
        auto t = Clock::now();
        auto db = zol::open_jet_database(file, "KTWOM");
        zol::ResultSet rs = db->query(sql);
        ours.push_back(seconds_since(t));
        rows = 0;
        for (; !rs.eof(); rs.move_next()) rows += static_cast<long long>(rs.field(0).number());
        t = Clock::now();
        db->query(sql);
        second.push_back(seconds_since(t));
        first.push_back(ours.back());
        if (i % 2 == 0) theirs.push_back(export_all(file, tables));
    }
    const double a = median(ours);
    const double b = median(theirs);
    std::printf("%s: %zu tables, %lld rows\n", file.c_str(), tables.size(), rows);
    std::printf("  load all tables (open + first query): median %.2f ms\n", a * 1e3);
    std::printf("  mdb-export of the same tables:        median %.2f ms\n", b * 1e3);
    std::printf("  ratio load / mdb-export: %.2f (target <= 1.5)\n", a / b);
    std::printf("  second query, unchanged file:         median %.3f ms (%.1f%% of the first)\n",
                median(second) * 1e3, 100.0 * median(second) / median(first));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) {
        // The real Access files kept with the tests.
        std::string here = __FILE__;
        here = here.substr(0, here.rfind('/'));
        const std::string dir = here + "/../tests/fixtures/jet";
        files = {dir + "/testV2000.mdb", dir + "/compIndexTestV2000.mdb"};
    }
    for (const auto& f : files) bench(f);
    return 0;
}
