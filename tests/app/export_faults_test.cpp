// The preview's PDF and Excel buttons under failing system calls: open, read, pread, write,
// fsync, rename, mmap and the stdio calls fail at random during the click
// (tests/app/export_faults/export_faults.cpp, under fiu-run). Each click must write the file
// of a click without faults, or tell in Chinese why it could not and leave the file that was
// there as it was: never another file, a piece of one, a hang or a crash. Every call that
// can fail must have failed in some run. ZOL_FAULT_SEED repeats a sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "support/sample_db.h"

namespace zol::test {
namespace {

constexpr const char* kFiuRun = "/usr/bin/fiu-run";
constexpr int kRuns = 30;
constexpr const char* kPrevious = "the previous file\n";
// Texts of the C library, Qt or libxlsxwriter, and messages that leave out the reason.
constexpr const char* kUnwanted[] = {"rror",
                                     "No such",
                                     "denied",
                                     "No space",
                                     "nterrupted",
                                     "failed",
                                     "cannot",
                                     "unable",
                                     "Bad file",
                                     "device",
                                     "zip",
                                     "讀取資料庫失敗，",
                                     "檔案已損毀或不是資料庫檔案",
                                     "這不是本程式能讀取的資料庫檔案"};

std::string helper() {
    return std::string(ZOL_BINARY_DIR) + "/zol_export_faults";
}

// What a reader sees of the file: a PDF's sheets, text and fonts; a workbook's members.
std::string content(const std::string& mode, const fs::path& file) {
    std::string seen;
    const auto add = [&](std::vector<std::string> argv) {
        const RunOutput r = run_program(std::move(argv));
        seen += std::to_string(r.code) + "\n" + r.out;
    };
    if (mode == "pdf") {
        add({"pdfinfo", file.string()});
        add({"pdftotext", "-layout", file.string(), "-"});
        add({"pdffonts", file.string()});
        // The dates of writing, the lines that differ from one click to the next (newer Qt
        // writes a modification date beside the creation date).
        for (const char* date : {"CreationDate:", "ModDate:"}) {
            if (const auto at = seen.find(date); at != seen.npos)
                seen.erase(at, seen.find('\n', at) - at);
        }
    } else {
        add({"/usr/bin/python3", std::string(ZOL_SOURCE_DIR) + "/tests/support/xlsx_check.py",
             "content", file.string()});
    }
    return seen;
}

long visible_files(const fs::path& dir) {
    return std::count_if(fs::directory_iterator(dir), {}, [](const fs::directory_entry& f) {
        return !f.path().filename().string().starts_with('.');
    });
}

struct Click {
    std::vector<std::string> said;                        // "error: ..." or "message: ..."
    std::map<std::string, std::pair<long, long>> points;  // calls and failures by fault point
    bool ended = false;
};

// One click under fiu-run: `faults` is a probability for every call or "NAME@N".
Click click(const std::string& mode, const fs::path& base, const fs::path& target, unsigned seed,
            const std::string& faults) {
    const RunOutput r =
        run_program({"timeout", "-k", "5", "40", kFiuRun, "-x", helper(), mode, base.string(),
                     target.string(), "095/03/15", std::to_string(seed), faults});
    Click c;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("error: ") || line.starts_with("message: ")) c.said.push_back(line);
        if (line == "end") c.ended = r.code == 0;
        std::istringstream fault(line);
        std::string word, name;
        long calls = 0, failed = 0;
        if (fault >> word >> name >> calls >> failed && word == "fault")
            c.points[name] = {calls, failed};
    }
    if (!c.ended)
        c.said.push_back("exit " + std::to_string(r.code) + " signal " + std::to_string(r.signal) +
                         " " + r.err);
    return c;
}

TEST(InjectedFaults, PreviewExportsWriteTheFileOrTellWhyAndKeepThePreviousOne) {
    if (!fs::exists(kFiuRun) || !fs::exists(helper()))
        GTEST_SKIP() << "fiu-run or libfiu is missing (scripts/install-deps)";
    const char* chosen = std::getenv("ZOL_FAULT_SEED");
    const unsigned first_seed = chosen ? static_cast<unsigned>(std::atoi(chosen)) : 5300;
    const Package pkg{Package::Fixture{"packages/small.sql"}};
    const struct {
        const char *mode, *file, *probability;
        std::vector<const char*> consulted;  // at the least
    } exports[] = {
        {"pdf",
         "out.pdf",
         "0.02",
         {"posix/io/oc/open", "posix/io/rw/write", "posix/io/sync/fsync", "posix/io/dir/rename",
          "posix/mm/mmap"}},
        {"xlsx",
         "out.xlsx",
         "0.01",
         {"posix/io/oc/open", "posix/io/rw/pread", "posix/stdio/rw/fwrite", "posix/io/sync/fsync",
          "posix/io/dir/rename"}},
    };
    for (const auto& e : exports) {
        const TempDir out("zol_export_faults_");
        const fs::path target = out / e.file;
        const Click clean = click(e.mode, pkg.base(), target, 0, "0");
        ASSERT_TRUE(clean.ended && clean.said.empty()) << e.mode << ": " << clean.said[0];
        const std::string expected = content(e.mode, target);
        const fs::perms mode = fs::status(target).permissions();  // as the previous file's
        // Every call the click makes fails alone, the first and the last of each point; then
        // all of them fail at random.
        std::vector<std::pair<unsigned, std::string>> runs;
        for (const auto& [name, counts] : clean.points) {
            runs.emplace_back(0, name + "@1");
            if (counts.first > 1) runs.emplace_back(0, name + "@" + std::to_string(counts.first));
        }
        for (unsigned i = 0; i < kRuns; ++i) runs.emplace_back(first_seed + i, e.probability);
        int written = 0, refused = 0;
        std::map<std::string, long> failed;
        for (const auto& [seed, faults] : runs) {
            write_file(target, kPrevious);
            const Click c = click(e.mode, pkg.base(), target, seed, faults);
            for (const auto& [name, counts] : c.points) failed[name] += counts.second;
            const std::string first = c.said.empty() ? "written" : c.said[0];
            std::printf("fault run %s %s seed %u: %s\n", e.mode, faults.c_str(), seed,
                        first.c_str());
            SCOPED_TRACE(std::string(e.mode) + " " + faults + " seed " + std::to_string(seed) +
                         ": " + first);
            ASSERT_TRUE(c.ended) << "a crash or a hang";
            // Nothing is left beside the file but, where its removal failed, a temporary file
            // that the next click removes.
            EXPECT_EQ(visible_files(out.path()), 1);
            EXPECT_EQ(fs::status(target).permissions(), mode);
            if (c.said.empty()) {
                ++written;
                EXPECT_TRUE(content(e.mode, target) == expected) << "another file";
                continue;
            }
            ++refused;
            EXPECT_EQ(c.said.size(), 1u);
            EXPECT_EQ(read_file(target), kPrevious);
            ASSERT_TRUE(first.starts_with("error: "));
            const std::string text = first.substr(7);
            EXPECT_NE(text.find_first_of("\xe4\xe5\xe6\xe7\xe8\xe9"), text.npos);  // Chinese
            for (const char* unwanted : kUnwanted) EXPECT_EQ(text.find(unwanted), text.npos);
        }
        ASSERT_TRUE(click(e.mode, pkg.base(), target, 0, "0").ended);
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), {}), 1);
        std::printf("fault runs %s: %zu, %d written, %d refused\n", e.mode, runs.size(), written,
                    refused);
        for (const auto& [name, n] : failed)
            std::printf("  %s: %ld calls without faults, failed %ld times\n", name.c_str(),
                        clean.points.contains(name) ? clean.points.at(name).first : 0, n);
        EXPECT_GT(written, 0);
        EXPECT_GT(refused, 0);
        for (const char* name : e.consulted) EXPECT_TRUE(clean.points.contains(name)) << name;
        for (const auto& [name, counts] : clean.points) EXPECT_GT(failed[name], 0) << name;
    }
}

}  // namespace
}  // namespace zol::test
