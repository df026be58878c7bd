// One click on the preview's PDF or Excel button with failing system calls, for
// tests/app/export_faults_test.cpp. Run under `fiu-run -x` (which loads libfiu's wrappers of
// the POSIX calls) without enabling anything there: the program itself makes calls fail only
// during the click, so that Qt's start-up and the report run before it are not what fails.
//
//   zol_export_faults pdf|xlsx BASE TARGET TRANDAY SEED PROBABILITY|NAME@N
//
// BASE is a package folder, TRANDAY the collection date of the report run made first; each
// call of the wrapped functions fails with PROBABILITY (0: none), drawn from SEED, or only
// the Nth call of the point NAME fails. Only under fiu-run are calls counted. Prints
// what the window said ("error: ..." or "message: ..."), then "fault NAME CALLS FAILED" for
// every point the click consulted and "end".
#include <fiu-control.h>
#include <fiu.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "print/pdf_device.h"
#include "print/print_fonts.h"
#include "support/preview_run.h"

namespace {

// What the fault points were asked during the click, and the draw that answers them.
struct FaultLog {
    std::mutex lock;
    std::thread::id main = std::this_thread::get_id();
    std::mt19937_64 draw;
    double probability = 0;
    std::string only;  // the one point that fails, at its `nth` call
    long nth = 0;
    std::map<std::string, std::pair<long, long>> points;  // name: calls, failures
};

// libfiu's callback takes no context of its own: the one log of this process.
FaultLog& fault_log() {
    static FaultLog log;
    return log;
}

int decide(const char* name, int*, void**, unsigned*) {
    FaultLog& log = fault_log();
    // Calls of the main thread only: the click's, in the same order on every run of a seed.
    if (std::this_thread::get_id() != log.main) return 0;
    const std::lock_guard hold(log.lock);
    auto& [calls, failures] = log.points[name];
    ++calls;
    const bool fail = log.only.empty()
                          ? std::uniform_real_distribution<double>(0, 1)(log.draw) < log.probability
                          : log.only == name && log.nth == calls;
    failures += fail;
    return fail;
}

// The points whose calls fail at random while the object lives, each by its own name (the
// callback is told the name it was enabled with); the wrappers pick an errno that the call's
// manual page allows. The ".../reduce" points make reads and writes shorter than asked.
constexpr const char* kPoints[] = {
    "posix/mm/mmap",
    "posix/io/dir/closedir",
    "posix/io/dir/fdopendir",
    "posix/io/dir/opendir",
    "posix/io/dir/readdir",
    "posix/io/dir/readdir_r",
    "posix/io/dir/rename",
    "posix/io/dir/unlink",
    "posix/io/oc/close",
    "posix/io/oc/open",
    "posix/io/rw/ftruncate",
    "posix/io/rw/pread",
    "posix/io/rw/pread/reduce",
    "posix/io/rw/preadv",
    "posix/io/rw/preadv/reduce",
    "posix/io/rw/pwrite",
    "posix/io/rw/pwrite/reduce",
    "posix/io/rw/pwritev",
    "posix/io/rw/pwritev/reduce",
    "posix/io/rw/read",
    "posix/io/rw/read/reduce",
    "posix/io/rw/readv",
    "posix/io/rw/readv/reduce",
    "posix/io/rw/truncate",
    "posix/io/rw/write",
    "posix/io/rw/write/reduce",
    "posix/io/rw/writev",
    "posix/io/rw/writev/reduce",
    "posix/io/sync/fdatasync",
    "posix/io/sync/fsync",
    "posix/stdio/fflush",
    "posix/stdio/gp/fgetc",
    "posix/stdio/gp/fgets",
    "posix/stdio/gp/fputc",
    "posix/stdio/gp/fputs",
    "posix/stdio/gp/getc",
    "posix/stdio/gp/getchar",
    "posix/stdio/gp/getdelim",
    "posix/stdio/gp/getline",
    "posix/stdio/gp/gets",
    "posix/stdio/gp/putc",
    "posix/stdio/gp/putchar",
    "posix/stdio/gp/puts",
    "posix/stdio/gp/ungetc",
    "posix/stdio/oc/fclose",
    "posix/stdio/oc/fdopen",
    "posix/stdio/oc/fmemopen",
    "posix/stdio/oc/fopen",
    "posix/stdio/oc/freopen",
    "posix/stdio/oc/open_memstream",
    "posix/stdio/oc/pclose",
    "posix/stdio/oc/popen",
    "posix/stdio/remove",
    "posix/stdio/rw/fread",
    "posix/stdio/rw/fwrite",
    "posix/stdio/seek/fgetpos",
    "posix/stdio/seek/fseek",
    "posix/stdio/seek/fseeko",
    "posix/stdio/seek/fsetpos",
    "posix/stdio/seek/ftell",
    "posix/stdio/seek/ftello",
    "posix/stdio/setvbuf",
    "posix/stdio/sp/dprintf",
    "posix/stdio/sp/fprintf",
    "posix/stdio/sp/fscanf",
    "posix/stdio/sp/printf",
    "posix/stdio/sp/scanf",
    "posix/stdio/sp/vdprintf",
    "posix/stdio/sp/vfprintf",
    "posix/stdio/sp/vfscanf",
    "posix/stdio/sp/vprintf",
    "posix/stdio/sp/vscanf",
    "posix/stdio/tmp/tempnam",
    "posix/stdio/tmp/tmpfile",
    "posix/stdio/tmp/tmpnam",
};

class Faults {
  public:
    Faults(unsigned seed, const std::string& how) {
        FaultLog& log = fault_log();
        log.draw.seed(seed);
        if (const auto at = how.rfind('@'); at != how.npos) {
            log.only = how.substr(0, at);
            log.nth = std::atol(how.c_str() + at + 1);
        } else {
            log.probability = std::atof(how.c_str());
        }
        fiu_init(0);
        for (const char* p : kPoints) fiu_enable_external(p, 1, nullptr, 0, decide);
    }
    ~Faults() {
        for (const char* p : kPoints) fiu_disable(p);
    }
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s pdf|xlsx BASE TARGET TRANDAY SEED PROBABILITY\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1], base = argv[2], target = argv[3], tranday = argv[4];
    QApplication app(argc, argv);
    // The program's own start-up, before the report run.
    zol::install_font_substitutions();
    zol::print::find_time_zone();

    // The report run of the query window, without faults.
    QStringList said;
    zol::PreviewHooks hooks;
    // Printed once the calls work again.
    hooks.message = [&](const QString& t) { said << QStringLiteral("message: ") + t; };
    hooks.error = [&](const QString& t) { said << QStringLiteral("error: ") + t; };
    hooks.pdf_file_name = hooks.xlsx_file_name = [&] { return QString::fromStdString(target); };
    const zol::test::PreviewRun run(base, tranday, hooks);
    zol::PREPRINT* w = run.window();
    if (!w) return 3;
    QApplication::processEvents();
    {
        std::optional<Faults> faults;
        if (std::getenv("FIU_ENABLE"))
            faults.emplace(static_cast<unsigned>(std::atoi(argv[5])), argv[6]);
        if (mode == "pdf") {
            w->CMD_PDF_Click();
        } else {
            w->CMD_EXCEL_Click();
        }
    }
    for (const QString& s : said) std::printf("%s\n", s.toUtf8().constData());
    for (const auto& [name, counts] : fault_log().points)
        std::printf("fault %s %ld %ld\n", name.c_str(), counts.first, counts.second);
    std::printf("end\n");
    return 0;
}
