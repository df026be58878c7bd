// Find in the preview on a large report: a text that stands only on the last page, looked for
// from page 1.
//
// 1. A plain read of the report file (pread in 4 MB pieces), the measure of the file's size.
// 2. ReportFinder::find from page 1, for a serial number of the last page only and for a name
//    that no page holds: with a new finder (the page starts found on the way) and with the
//    finder of an earlier search (page starts kept), as the preview's second search.
// 3. The preview window itself (offscreen): Enter in the find field, the time until the match
//    is selected on the last page, and the longest pause of the window's event loop meanwhile
//    (a 10 ms timer), which shows whether the window paints during the search.
// The file is read once before, so every figure is from the page cache. Target: at most 1 s.
//
// usage: report_find_bench BASE [--reps N]   (BASE/rpt/rep_5300.TXT; bench/report_find_bench.sh
//        writes the all-dates report of the 50000-student sample)
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "core/package_path.h"
#include "print/print_state.h"
#include "report/report_find.h"
#include "report/report_reader.h"
#include "ui/preview_find.h"
#include "ui/preview_window.h"

using namespace zol;
using zol::bench::seconds;

namespace {

double median_of(int reps, const std::function<void()>& f) {
    std::vector<double> v;
    for (int i = 0; i < reps; ++i) v.push_back(seconds(f));
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long long plain_read(const HeldReport& report) {
    std::vector<char> buffer(std::size_t{4} << 20);
    long long sum = 0;
    off_t at = 0;
    for (ssize_t n; (n = ::pread(report.fd(), buffer.data(), buffer.size(), at)) > 0; at += n)
        sum += buffer[static_cast<std::size_t>(n) - 1];
    return sum;
}

// A serial number of the last page that no other page holds.
std::string last_page_word(const std::shared_ptr<const HeldReport>& report, std::int64_t pages) {
    StringSink sink;
    show_page(*report, static_cast<int>(pages), sink);
    std::istringstream words(sink.text());
    ReportFinder finder(report);
    for (std::string w; words >> w;) {
        if (w.size() < 6 || w.find_first_not_of("0123456789") != std::string::npos) continue;
        bool only_last = true;
        const std::int64_t n = finder.find_all(
            FindPattern(w), [&](const FindHit& h) { only_last &= h.place.page == pages; });
        if (n > 0 && only_last) return w;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: report_find_bench BASE [--reps N]\n", stderr);
        return 2;
    }
    const std::string base = argv[1];
    const int reps = argc > 3 && std::string(argv[2]) == "--reps" ? std::atoi(argv[3]) : 5;
    const auto path = resolve_package_path(base + "/rpt/rep_5300.TXT");
    const auto report = std::make_shared<const HeldReport>(path);
    const std::int64_t pages = ReportFinder(report).page_count();
    long long sink = 0;
    const double read = median_of(reps, [&] { sink += plain_read(*report); });
    std::printf("report %s: %lld bytes, %lld pages\n", path.c_str(),
                static_cast<long long>(std::filesystem::file_size(path)),
                static_cast<long long>(pages));
    std::printf("plain read of the file              %7.3f s  (median of %d)\n", read, reps);
    // A serial number of the last page only, and a name that no page holds (every page read).
    const std::string word = last_page_word(report, pages);
    if (word.empty()) {
        std::fputs("no serial number of the last page stands on it alone\n", stderr);
        return 1;
    }
    double cold = 0;
    for (const std::string& text : {word, std::string("查無此人")}) {
        const FindPattern pattern(text);
        FindResult last;
        const double first = median_of(reps, [&] {
            ReportFinder finder(report);
            last = finder.find(pattern, {1, 0, 0}, FindDirection::next);
        });
        if (text == word && (!last.hit || last.hit->place.page != pages)) {
            std::fputs("the search did not end on the last page\n", stderr);
            return 1;
        }
        ReportFinder kept(report);
        kept.page_count();
        const double again = median_of(reps, [&] {
            last = kept.find(pattern, {1, 0, 0}, FindDirection::next);
        });
        std::printf("\"%s\", new finder            %7.3f s  %5.1f x the plain read\n", text.c_str(),
                    first, first / read);
        std::printf("\"%s\", page starts kept      %7.3f s  %5.1f x the plain read\n", text.c_str(),
                    again, again / read);
        cold = std::max(cold, first);
    }

    // The preview window: Enter in the find field until the match is selected.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    print::PrintState state;
    PREPRINT window(state, base);
    window.show_report("rep_5300.txt", static_cast<std::int32_t>(pages), "A4", 2);
    window.show();
    PreviewFind& find = *window.find_band();
    find.open();
    find.field()->setText(QString::fromStdString(word));
    QElapsedTimer clock, tick;
    qint64 longest = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout,
                     [&] { longest = std::max(longest, tick.restart()); });
    timer.start(10);
    QApplication::processEvents();
    clock.start();
    tick.start();
    find.find(FindDirection::next);
    while (find.searching()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double window_s = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const bool selected = window.preprint_text()->textCursor().selectedText().toStdString() == word;
    std::printf(
        "preview window: page %d, match %s after %.3f s; longest pause of its event "
        "loop %lld ms\n",
        state.current_page, selected ? "selected" : "NOT selected", window_s,
        static_cast<long long>(longest));
    std::printf("target: at most 1 s  (%s)\n", std::max(cold, window_s) <= 1.0 ? "met" : "missed");
    return sink == 42 ? 3 : 0;
}
