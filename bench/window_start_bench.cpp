// The query window's start-up (every pick list loaded) on a package, and a list statement
// on the file as it stands, as the window runs one when a date is picked or a drop-down
// opens. Each figure is the median of the repetitions, in seconds; the first start-up
// (which may fill the cache) is shown apart.
//
// usage: window_start_bench BASE [--reps N]    (QT_QPA_PLATFORM=offscreen without a display)
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "data/data_control.h"
#include "report/report_run.h"
#include "ui/query_window.h"
#include "ui/query_window_args.h"

using namespace zol;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_start_bench BASE [--reps N]\n");
        return 2;
    }
    const std::string base = argv[1];
    int reps = 5;
    if (argc >= 4 && std::strcmp(argv[2], "--reps") == 0) reps = std::max(1, std::atoi(argv[3]));
    QApplication app(argc, argv);

    std::vector<double> starts;
    for (int i = 0; i <= reps; ++i) {
        bool loaded = false;
        const double t = bench::seconds([&] {
            ZOL5300F1 window(base, *parse_command_line("1/1/1"));
            loaded = window.Form_Load();
        });
        if (!loaded) {
            std::fprintf(stderr, "the window did not load\n");
            return 1;
        }
        if (i == 0) {
            std::printf("first start-up: %.3f s\n", t);
        } else {
            starts.push_back(t);
        }
    }
    std::printf("start-up: %.3f s (median of %d)\n", median(starts), reps);

    DataControl list;
    list.set_connection_string(package_connection_string(base));
    list.set_record_source(
        "select distinct TranDay from ZOL10_Agency where PayStas = -1 order by TranDay desc");
    list.refresh();
    std::vector<double> lists;
    for (int i = 0; i < reps * 4; ++i) lists.push_back(bench::seconds([&] { list.refresh(); }));
    std::printf("list statement, file unchanged: %.4f s (median of %d, %zu rows)\n", median(lists),
                reps * 4, list.row_count());
    return 0;
}
