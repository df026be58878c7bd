// One report run on a large sample package, for the collection date with the most
// payments: the writer's own time against the two queries' time, in this process; and
// the whole `zol5300 report` against the sqlite3 shell running the two translated
// statements, as child processes. Times are wall clock and CPU (user + system); each
// figure is the median of the repetitions.
//
// usage: report_run_bench [BASE] [--reps N]
//   Without BASE a package of 50000 students (seed 1) is generated in a temporary
//   directory with `zol5300 sampledb` ($ZOL5300_BIN, else the zol5300 beside this program)
//   and removed afterwards.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/date.h"
#include "data/data_control.h"
#include "data/database.h"
#include "data/translate.h"
#include "query/check_text.h"
#include "query/list_queries.h"
#include "query/payment_query.h"
#include "report/report_file.h"
#include "report/report_run.h"
#include "report/report_writer.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace zol;

using zol::bench::process_cpu;

namespace {

struct Timing {
    double wall = 0;  // seconds
    double cpu = 0;   // seconds, user + system
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Timing median(const std::vector<Timing>& runs) {
    std::vector<double> w, c;
    for (const auto& t : runs) {
        w.push_back(t.wall);
        c.push_back(t.cpu);
    }
    return {median(w), median(c)};
}

Timing timed(const std::function<void()>& f) {
    const auto w0 = std::chrono::steady_clock::now();
    const double c0 = process_cpu();
    f();
    const double c1 = process_cpu();
    const auto w1 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(w1 - w0).count(), c1 - c0};
}

// Runs a program with stdin from `in` (or /dev/null) and stdout to /dev/null; returns
// its wall and CPU time. Throws when it does not exit with code 0.
Timing run_child(const std::vector<std::string>& args, const std::string& in = "/dev/null") {
    std::vector<std::string> a = args;
    std::vector<char*> argv;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto w0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    const auto w1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " failed (exit " +
                                 std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                                 ")");
    }
    const auto secs = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return {std::chrono::duration<double>(w1 - w0).count(),
            secs(usage.ru_utime) + secs(usage.ru_stime)};
}

std::string zol5300_bin(const char* argv0) {
    if (const char* env = std::getenv("ZOL5300_BIN"); env && *env) return env;
    return (fs::absolute(argv0).parent_path() / "zol5300").string();
}

// The collection date (of a batch that takes part) with the most payments above 0.
DateTime busiest_date(const fs::path& db_file) {
    auto db = open_database(db_file.string());
    ResultSet rs = db->query(
        "select B.TranDay, count(*) from ZOL8_Payment As B inner join ZOL10_Agency As H on "
        "B.TranDay = H.TranDay and B.Grpid = H.Grpid where B.PayAmt > 0 and H.PayStas = -1 "
        "group by B.TranDay order by count(*) desc");
    if (rs.eof() || !rs.field(0).is_date()) throw std::runtime_error("no collection date found");
    return rs.field(0).date();
}

void print_row(const char* what, const Timing& t) {
    std::printf("  %-44s wall %8.3f s   cpu %8.3f s\n", what, t.wall, t.cpu);
}

}  // namespace

int main(int argc, char** argv) {
    std::string base;
    int reps = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else {
            base = a;
        }
    }
    const std::string bin = zol5300_bin(argv[0]);
    bool generated = false;
    try {
        if (base.empty()) {
            char tmpl[] = "/tmp/zol_bench_XXXXXX";
            if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
            base = tmpl;
            generated = true;
            std::printf("generating 50000 students in %s ...\n", base.c_str());
            std::fflush(stdout);
            run_child({bin, "sampledb", base, "--students", "50000", "--seed", "1"});
        }
        const fs::path db_file = fs::path(base) / "mdb" / "ZOL.mdb";
        const DateTime day = busiest_date(db_file);
        const TrandayEntry entry = *tranday_entry(Value(day));

        FilterSnapshot f;
        f.tranday_values = {entry.value};
        f.CBO_TranDay = entry.text;
        f.CBO_TranDay_index = 0;
        const CheckResult check = Check_Text(f);
        const PaymentQuery q = build_payment_query(f, check.dates);
        if (q.outcome != QueryOutcome::Built) throw std::runtime_error(q.message);

        DataControl ado_print, ado_cbo;
        const std::string connection = package_connection_string(base);
        ado_print.set_connection_string(connection);
        ado_cbo.set_connection_string(connection);
        // Open both before timing: the queries, not the opening, are measured.
        for (DataControl* c : {&ado_print, &ado_cbo}) {
            c->set_record_source("select * from ZOL3_Status");
            c->refresh();
        }

        std::vector<Timing> queries, writer;
        std::size_t detail_rows = 0, item_rows = 0;
        int pages = 0;
        WriterOptions options;
        options.print_date = DateTime{2025, 3, 7};
        options.output_path = report_path(base);
        for (int r = 0; r < reps; ++r) {
            queries.push_back(timed([&] {
                ado_print.set_record_source(q.detail_sql);
                ado_print.refresh();
                ado_cbo.set_record_source(q.item_sql);
                ado_cbo.refresh();
            }));
            detail_rows = ado_print.row_count();
            item_rows = ado_cbo.row_count();
            writer.push_back(
                timed([&] { pages = print_date(ado_print.result(), ado_cbo.result(), options); }));
        }

        // The two statements as the data layer hands them to SQLite, for the shell.
        const fs::path script = fs::path(base) / "bench_queries.sql";
        {
            std::ofstream out(script);
            out << translate_access_sql(q.detail_sql) << ";\n"
                << translate_access_sql(q.item_sql) << ";\n";
        }
        std::vector<Timing> whole, shell;
        for (int r = 0; r < reps; ++r) {
            whole.push_back(run_child({bin, "report", base, "--tranday", entry.text}));
            shell.push_back(run_child({"sqlite3", "-readonly", db_file.string()}, script.string()));
        }
        fs::remove(script);

        const Timing tq = median(queries), tw = median(writer);
        const Timing tr = median(whole), ts = median(shell);
        std::printf("collection date %s: %zu detail rows, %zu item rows, %d pages (%d runs)\n",
                    entry.text.c_str(), detail_rows, item_rows, pages, reps);
        print_row("the two queries (Ado_print, Ado_CBO)", tq);
        print_row("the writer (print_date)", tw);
        std::printf("  writer / queries: wall %.3f  cpu %.3f   (target <= 0.25)\n",
                    tw.wall / tq.wall, tw.cpu / tq.cpu);
        print_row("zol5300 report", tr);
        print_row("sqlite3 shell, the two translated statements", ts);
        std::printf("  zol5300 report / sqlite3: wall %.3f  cpu %.3f   (target <= 1.5)\n",
                    tr.wall / ts.wall, tr.cpu / ts.cpu);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "report_run_bench: %s\n", e.what());
        if (generated) fs::remove_all(base);
        return 1;
    }
    if (generated) fs::remove_all(base);
    return 0;
}
