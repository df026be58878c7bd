// zol5300 find BASE TEXT: the lines of the last written report that hold a text, as the
// preview's find sees them (control lines left out, Latin letters in either case, amounts
// with or without thousands separators).
#include <cstdio>
#include <memory>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/report_options.h"
#include "app/zol5300/usage.h"
#include "report/held_report.h"
#include "report/report_file.h"
#include "report/report_find.h"

namespace zol::app {

int print_matches(const std::string& base, const std::string& text,
                  std::shared_ptr<const HeldReport> report) {
    try {
        if (!report) {
            report = std::make_shared<const HeldReport>(handed_over_path(base));
            // Someone may have put a like-named file beside it: say which one was read.
            for (const auto& other : other_spellings(report->path()))
                std::fprintf(stderr, "讀取的是 %s，不是 %s\n", report->path().c_str(),
                             other.c_str());
        }
        ReportFinder finder(std::move(report));
        const std::int64_t lines =
            finder.find_all(FindPattern(valid_utf8(text)), [](const FindHit& hit) {
                // The line number counts the lines the page shows, control lines left out.
                std::printf("page %lld line %lld: %s\n", static_cast<long long>(hit.place.page),
                            static_cast<long long>(hit.place.line), hit.line.c_str());
            });
        if (lines > 0) return kExitDone;
        std::fprintf(stderr, "找不到「%s」\n", valid_utf8(text).c_str());
        return kExitNoData;
    } catch (const ReportError& e) {
        std::fprintf(stderr, "報表檔錯誤: %s\n", e.what());
        return kExitFailed;
    }
}

int cmd_find(const Args& args) {
    if (args.size() != 2 || args[1].empty()) {
        print_usage("find", stderr);
        return kExitRefused;
    }
    return print_matches(args[0], args[1]);
}

}  // namespace zol::app
