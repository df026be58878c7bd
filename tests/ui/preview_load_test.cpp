// The preview window on a large written report: opened, then paged to the middle, the last
// page and back, each step timed, with the process's peak memory. Not part of the normal
// suite: scripts/load-test runs it with ZOL_LOAD_BASE naming a package whose report is
// written (--gtest_also_run_disabled_tests).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "print/print_fonts.h"
#include "report/report_file.h"
#include "ui/show_preview.h"

namespace zol {
namespace {

double seconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The FF lines of the report: its page count.
int page_count(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int pages = 0;
    while (std::getline(in, line)) {
        if (line.rfind("\x0c"
                       "21",
                       0) == 0)
            ++pages;
    }
    return pages;
}

TEST(PreviewLoad, DISABLED_PagesThroughTheLargestReport) {
    const char* base = std::getenv("ZOL_LOAD_BASE");
    ASSERT_TRUE(base && *base) << "ZOL_LOAD_BASE names the package to page through";
    install_font_substitutions();
    const int pages = page_count(handed_over_path(base));
    ASSERT_GE(pages, 1);
    ASSERT_LE(pages, 32767) << "the preview's page numbers are 16-bit";

    print::PrintState state;
    QStringList messages;
    PreviewHooks hooks;
    hooks.message = [&](const QString& t) { messages << t; };
    hooks.error = [&](const QString& t) { messages << t; };
    PreviewHost host(state, base, hooks);

    const double open = seconds([&] { host.show_preview("rep_5300.txt", pages, "A4", 1, 2); });
    PREPRINT* w = host.window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->lbl_totpage()->text().trimmed(), QString::number(pages));
    EXPECT_EQ(w->lab_nowspage()->text().trimmed(), QStringLiteral("1"));
    EXPECT_FALSE(w->preprint_text()->toPlainText().isEmpty());
    std::printf("preview of %d pages opened on page 1: %.3f s\n", pages, open);

    // The middle page through the range of the next-page button would take thousands of
    // clicks; the last-page button and a next/previous pair around it show the paging.
    const double last = seconds([&] { w->CMD_LASTPAGE_Click(); });
    EXPECT_EQ(w->lab_nowspage()->text().trimmed(), QString::number(pages));
    const QString last_text = w->preprint_text()->toPlainText();
    EXPECT_FALSE(last_text.isEmpty());
    std::printf("last page (%d): %.3f s\n", pages, last);

    const double next = seconds([&] { w->CMD_NEXTPAGE_Click(); });
    EXPECT_EQ(w->lab_nowspage()->text().trimmed(),
              QString::number(pages));  // no page after the last
    EXPECT_EQ(messages, QStringList{QStringLiteral("已是最後一頁, 無次頁 !")});
    messages.clear();
    const double prev = seconds([&] { w->CMD_PREPAGE_Click(); });
    if (pages > 1) {
        EXPECT_EQ(w->lab_nowspage()->text().trimmed(), QString::number(pages - 1));
    }
    std::printf("next at the last page: %.3f s; previous page: %.3f s\n", next, prev);

    const double first = seconds([&] { w->CMD_FIRSTPAGE_Click(); });
    EXPECT_EQ(w->lab_nowspage()->text().trimmed(), QStringLiteral("1"));
    std::printf("first page: %.3f s\n", first);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();

    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak RSS of the preview process: %ld kB\n", u.ru_maxrss);
}

}  // namespace
}  // namespace zol
