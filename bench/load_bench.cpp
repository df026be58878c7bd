// Paging through a large written report: page 1, a middle page, the last page and one
// beyond it fetched with the reader, each timed against reading the whole file once, with
// the process's peak memory. Run by scripts/load-test after a report over the largest
// sample; works on any package whose rpt/rep_5300.TXT is written.
//
// usage: load_bench BASE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "report/report_file.h"
#include "report/report_reader.h"
#include "report/text_sink.h"

namespace fs = std::filesystem;
using namespace zol;

using zol::bench::seconds;

namespace {

long peak_rss_kb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The FF lines of the file, read in blocks: the page count the writer reported.
long count_pages(const fs::path& path, std::uintmax_t& bytes) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    const std::string ff =
        "\n\x0c"
        "21\r\n";
    std::string carry;
    long pages = 0;
    bytes = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto n = static_cast<std::size_t>(in.gcount());
        bytes += n;
        std::string text = carry + std::string(block.data(), n);
        for (auto p = text.find(ff); p != std::string::npos; p = text.find(ff, p + 1)) ++pages;
        carry = text.size() >= ff.size() - 1 ? text.substr(text.size() - (ff.size() - 1)) : text;
    }
    return pages;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: load_bench BASE\n");
        return 2;
    }
    const fs::path report = handed_over_path(argv[1]);
    std::uintmax_t bytes = 0;
    long pages = 0;
    const double whole = seconds([&] { pages = count_pages(report, bytes); });
    std::printf("report %s: %.1f MB, %ld pages; one pass over the file %.3f s\n", report.c_str(),
                static_cast<double>(bytes) / 1e6, pages, whole);
    if (pages < 1) return 1;

    StringSink sink;
    const double first = seconds([&] { read_first_page(report, sink); });
    std::printf("page 1 (first-page filter): %.4f s, %zu bytes of text\n", first,
                sink.text().size());
    const int wanted[] = {1, static_cast<int>(pages / 2), static_cast<int>(pages),
                          static_cast<int>(pages + 1)};
    int status = 0;
    for (int page : wanted) {
        const double t = seconds([&] { show_page(report, page, sink); });
        std::printf("show_page(%d): %.3f s (%.2f x one pass), %zu bytes of text\n", page, t,
                    t / whole, sink.text().size());
        const bool beyond = page > pages;
        if (beyond != sink.text().empty()) {
            std::printf("  unexpected: page %d %s\n", page, beyond ? "has text" : "is empty");
            status = 1;
        }
    }
    std::printf("peak RSS of the reader: %ld kB\n", peak_rss_kb());
    return status;
}
