// The report writer and the page reader on synthetic rows.
//
// 1. The writer alone on 50000 students (about 30 a class, five item lines each), both
//    modes: rows are built in memory first, so the time is the writer's own.
// 2. The per-class report of step 1 (well over 1000 pages): the last page fetched with
//    show_page, side by side with `cat FILE > /dev/null` on the same file, and with the
//    first page. The target is show_page(last) <= 3 x cat.
//
// usage: report_read_bench [--students N] [--reps N]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/date.h"
#include "core/text.h"
#include "data/result_set.h"
#include "report/report_reader.h"
#include "report/report_writer.h"
#include "report/text_sink.h"

namespace fs = std::filesystem;
using namespace zol;

using zol::bench::process_cpu;
using zol::bench::seconds;

namespace {

// Median CPU time (user + system) of the runs: steadier than wall time on a shared machine.
double median_cpu(int reps, const std::function<void()>& f) {
    std::vector<double> v;
    for (int i = 0; i < reps; ++i) {
        const double c0 = process_cpu();
        f();
        v.push_back(process_cpu() - c0);
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double median_of(int reps, const std::function<void()>& f) {
    std::vector<double> v;
    for (int i = 0; i < reps; ++i) v.push_back(seconds(f));
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Value num(long long v) {
    return Value(static_cast<std::int64_t>(v));
}

const char* const kItems[] = {"學費", "雜費", "代收代辦費", "家長會費補助款", "午餐費"};
const char* const kNames[] = {"王小明", "陳大文", "林美玲", "張家豪", "李怡君", "黃志偉"};

struct Rows {
    ResultSet detail;
    ResultSet items;
    std::size_t detail_rows = 0;
};

// Students of one collection date and group, in the detail query's order.
Rows synthetic_rows(int students) {
    const std::vector<std::string> dcols = {
        "TranDay",     "Grpid",   "GrpName",    "grade",      "Clsid",    "stdid",
        "Seatno",      "DelMark", "Stdname",    "Fee",        "Preway",   "acctid2",
        "flow_number", "payDay",  "grade_name", "clsid_name", "ItemName", "ItemAmt"};
    const std::vector<std::string> icols = {"tranday", "Grpid",  "grade",
                                            "Clsid",   "Itemid", "ItemName"};
    const DateTime day{2025, 3, 7};
    std::vector<std::vector<Value>> detail;
    std::vector<std::vector<Value>> items;
    detail.reserve(static_cast<std::size_t>(students) * 5);
    const int per_class = 30;
    const int classes = (students + per_class - 1) / per_class;
    const int classes_per_grade = (classes + 11) / 12;
    int n = 0;
    for (int c = 0; c < classes; ++c) {
        const long long grade = c / classes_per_grade + 1;
        const long long clsid = c % classes_per_grade + 1;
        for (int k = 0; k < 5; ++k) {
            items.push_back({Value(day), num(1), num(grade), num(clsid), num(k + 1),
                             Value(std::string(kItems[k]))});
        }
        for (int s = 0; s < per_class && n < students; ++s, ++n) {
            const std::string method = std::to_string(n % 6 + 1);
            for (int k = 0; k < 5; ++k) {
                detail.push_back(
                    {Value(day), num(1), Value(std::string("上學期學雜費")), num(grade), num(clsid),
                     Value(cat("S", std::to_string(n))), num(s + 1), num(n % 97 == 0 ? -1 : 0),
                     Value(std::string(kNames[n % 6])), Value(15.0), Value(method),
                     n % 2 ? Value(std::string("0012345")) : Value(),
                     n % 3 ? Value(std::to_string(n)) : Value(), Value(DateTime{2025, 3, 10}),
                     Value(std::string("年級")), Value(std::string("班")),
                     Value(std::string(kItems[k])), Value(static_cast<double>(1000 + 10 * k))});
            }
        }
    }
    Rows rows;
    rows.detail_rows = detail.size();
    rows.detail = ResultSet(dcols, std::move(detail));
    rows.items = ResultSet(icols, std::move(items));
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    int students = 50000;
    int reps = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--students") students = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--reps") reps = std::max(1, std::atoi(argv[i + 1]));
    }
    char tmpl[] = "/tmp/zol_read_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return 1;
    const fs::path dir = tmpl;
    const fs::path report = dir / "rep_5300.TXT";

    Rows rows = synthetic_rows(students);
    std::printf("students %d, detail rows %zu, item rows %zu\n", students, rows.detail_rows,
                rows.items.row_count());

    int pages = 0;
    const double merged = median_cpu(reps, [&] {
        rows.detail.move_first();
        fs::path out = dir / "merged.TXT";
        print_date(rows.detail, rows.items, {true, DateTime{2025, 3, 7}, out});
    });
    const double per_class = median_cpu(reps, [&] {
        rows.detail.move_first();
        pages = print_date(rows.detail, rows.items, {false, DateTime{2025, 3, 7}, report});
    });
    std::printf("writer, per-class mode: %8.3f s cpu  (%d pages, %.1f MB)\n", per_class, pages,
                static_cast<double>(fs::file_size(report)) / 1e6);
    std::printf("writer, merged mode:    %8.3f s cpu\n", merged);

    const std::string cat = "cat '" + report.string() + "' > /dev/null";
    const double cat_time = median_of(reps * 4, [&] {
        if (std::system(cat.c_str()) != 0) std::perror("cat");
    });
    std::vector<char> buf(1 << 18);
    std::size_t raw_bytes = 0;
    const double raw_read = median_of(reps * 4, [&] {
        std::FILE* f = std::fopen(report.c_str(), "rb");
        if (f == nullptr) return;
        std::setvbuf(f, nullptr, _IONBF, 0);
        raw_bytes = 0;
        std::size_t n = 0;
        while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) raw_bytes += n;
        std::fclose(f);
    });
    StringSink sink;
    const double last_page = median_of(reps * 4, [&] { show_page(report, pages, sink); });
    const std::size_t last_size = sink.text().size();
    const double first_page = median_of(reps * 4, [&] { read_first_page(report, sink); });
    std::printf("cat FILE > /dev/null:   %8.4f s\n", cat_time);
    std::printf("show_page(%d):        %8.4f s  (%zu bytes of text)  ratio to cat %.2f\n", pages,
                last_page, last_size, last_page / cat_time);
    std::printf("read_first_page:        %8.4f s\n", first_page);
    std::printf(
        "plain read of the file in this process: %8.4f s  (%zu bytes; show_page(last) / it %.2f)\n",
        raw_read, raw_bytes, last_page / raw_read);

    fs::remove_all(dir);
    return 0;
}
