// DataControl refresh of the detail query for one collection date (every other filter at
// its start state) against the sqlite3 shell running the translated text, side by side,
// alternating, on a large sample package. Times are wall clock and CPU (user + system);
// each figure is the median of the repetitions. The shell writes its rows to /dev/null;
// the data control keeps them in memory as typed values.
//
// usage: data_refresh_bench [DBFILE] [--reps N] [--date mm/dd/yyyy]
//   Without DBFILE a package of 50000 students (seed 1) is generated in a temporary
//   directory with `zol5300 sampledb` ($ZOL5300_BIN, else the zol5300 beside this program)
//   and removed afterwards. Without --date the paid batch date with the most payments.
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/data_control.h"
#include "data/translate.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Timing {
    double wall = 0;
    double cpu = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

double self_cpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Runs argv as a child with stdout to /dev/null; returns its wall and CPU time.
Timing run_child(const std::vector<std::string>& argv, bool quiet = true) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed");
    return {std::chrono::duration<double>(end - start).count(),
            seconds(u.ru_utime) + seconds(u.ru_stime)};
}

std::string zol5300_binary(const char* argv0) {
    if (const char* env = std::getenv("ZOL5300_BIN")) return env;
    return (fs::absolute(argv0).parent_path() / "zol5300").string();
}

// The paid batch date with the most payments, as "mm/dd/yyyy".
std::string busiest_date(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    std::string date;
    if (sqlite3_prepare_v2(
            db,
            "select B.TranDay from ZOL8_Payment B join ZOL10_Agency H on B.TranDay = "
            "H.TranDay and B.Grpid = H.Grpid where H.PayStas = -1 group by B.TranDay "
            "order by count(*) desc limit 1",
            -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        const std::string iso = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        date = iso.substr(5, 2) + "/" + iso.substr(8, 2) + "/" + iso.substr(0, 4);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    if (date.empty()) throw std::runtime_error("no paid batch in " + file);
    return date;
}

}  // namespace

int main(int argc, char** argv) {
    std::string file, date;
    int reps = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--date" && i + 1 < argc) {
            date = argv[++i];
        } else {
            file = a;
        }
    }
    try {
        fs::path temp;
        if (file.empty()) {
            temp = fs::temp_directory_path() / ("zol-data-bench-" + std::to_string(getpid()));
            std::printf("generating 50000 students in %s ...\n", temp.c_str());
            run_child({zol5300_binary(argv[0]), "sampledb", temp.string(), "--students", "50000"});
            file = (temp / "mdb" / "ZOL.mdb").string();
        }
        if (date.empty()) date = busiest_date(file);

        const std::string access_sql =
            "select A.*,B.TranDay,B.Grpid,B.payamt,B.Fee,B.Netfee,B.payway As "
            "preway,C.Itemid,C.Itemamt,B.flow_number,B.PayDay,iif(D.itemid is null,'代號' & "
            "C.itemid & '已刪除',D.itemname) as "
            "itemname,E.GrpName,F.Clsid_name,G.Grade_name,B.acctid "
            "As acctid2,B.NetATMFee,B.CVSFee from (((((((ZOL7_Student As A  inner join "
            "ZOL8_Payment As "
            "B on A.Stdid = B.Stdid)  inner join Zol9_Payitem As C on B.stdid = C.Stdid  and "
            "B.Tranday "
            "= C.Tranday and B.Grpid = C.Grpid) inner join ZOL10_Agency As H on B.TranDay = "
            "H.TranDay "
            "and B.Grpid=H.Grpid)  left outer join ZOL4_Item As D on C.ItemId = D.Itemid) left "
            "outer "
            "join ZOL6_Group As E on B.Grpid = E.Grpid) left outer join ZOL11_Class As F on "
            "A.Grade = "
            "F.Grade and A.Clsid=F.Clsid) left outer join ZOL15_Grade As G on A.Grade = G.Grade)" +
            std::string(" where B.TranDay =#") + date + "# and B.PayAmt > 0  and H.Paystas = -1" +
            " order by "
            "B.TranDay,B.Grpid,A.grade,A.Clsid,A.Seatno,A.StdName,A.DelMark,B.preway,C.Itemid";
        const std::string sqlite_sql = zol::translate_access_sql(access_sql);

        std::vector<double> ours_wall, ours_cpu, shell_wall, shell_cpu;
        std::size_t rows = 0;
        for (int r = 0; r < reps; ++r) {
            {
                // A fresh control each time: it opens the file, as the shell does.
                zol::DataControl ctl;
                ctl.set_connection_string(
                    "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database password = "
                    "KTWOM;Data Source=" +
                    file + ";Persist Security Info=False");
                ctl.set_record_source(access_sql);
                const double cpu0 = self_cpu();
                const auto t0 = std::chrono::steady_clock::now();
                ctl.refresh();
                const auto t1 = std::chrono::steady_clock::now();
                ours_cpu.push_back(self_cpu() - cpu0);
                ours_wall.push_back(std::chrono::duration<double>(t1 - t0).count());
                rows = ctl.row_count();
            }
            const Timing t = run_child({"sqlite3", "-readonly", file, sqlite_sql});
            shell_wall.push_back(t.wall);
            shell_cpu.push_back(t.cpu);
        }
        const double ow = median(ours_wall), oc = median(ours_cpu);
        const double sw = median(shell_wall), sc = median(shell_cpu);
        std::printf("collection date %s: %zu rows, %d repetitions (medians)\n", date.c_str(), rows,
                    reps);
        std::printf("  DataControl refresh   wall %8.1f ms   cpu %8.1f ms\n", ow * 1e3, oc * 1e3);
        std::printf("  sqlite3 -readonly     wall %8.1f ms   cpu %8.1f ms\n", sw * 1e3, sc * 1e3);
        std::printf("  ratio (ours/sqlite3)  wall %8.2f      cpu %8.2f      target <= 1.2\n",
                    ow / sw, oc / sc);
        if (!temp.empty()) fs::remove_all(temp);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "data_refresh_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
