// The preview window on a large written report: opened, then paged to the last page and
// back, each step timed, with the process's peak memory. Run by scripts/load-test after a
// report over the largest sample (offscreen).
//
// usage: preview_paging_bench BASE
#include <sys/resource.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "bench_clock.h"
#include "print/print_fonts.h"
#include "report/report_file.h"
#include "ui/show_preview.h"

using namespace zol;

using zol::bench::seconds;

namespace {

int page_count(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int pages = 0;
    while (std::getline(in, line))
        pages += line.rfind(
                     "\x0c"
                     "21",
                     0) == 0;
    return pages;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: preview_paging_bench BASE\n");
        return 2;
    }
    QApplication app(argc, argv);
    install_font_substitutions();
    const std::string base = argv[1];
    const int pages = page_count(handed_over_path(base));
    if (pages < 1 || pages > 32767) {
        std::fprintf(stderr, "%d pages: not a report the preview can page\n", pages);
        return 1;
    }
    print::PrintState state;
    int messages = 0;
    PreviewHooks hooks;
    hooks.message = [&](const QString&) { ++messages; };
    hooks.error = [&](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); };
    PreviewHost host(state, base, hooks);
    const double open = seconds([&] { host.show_preview("rep_5300.txt", pages, "A4", 1, 2); });
    PREPRINT* w = host.window();
    std::printf("preview of %d pages opened on page 1: %.3f s\n", pages, open);
    const double last = seconds([&] { w->CMD_LASTPAGE_Click(); });
    std::printf("last page (%s): %.3f s\n", qPrintable(w->lab_nowspage()->text()), last);
    const double prev = seconds([&] { w->CMD_PREPAGE_Click(); });
    const double first = seconds([&] { w->CMD_FIRSTPAGE_Click(); });
    std::printf("previous page: %.3f s; first page: %.3f s\n", prev, first);
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak RSS of the preview process: %ld kB\n", u.ru_maxrss);
    return w->preprint_text()->toPlainText().isEmpty() || messages != 0 ? 1 : 0;
}
