// zol5300 sampledb BASE [--students N] [--seed S]: writes a sample package database to
// BASE/mdb/ZOL.mdb (replacing any earlier one only once the new one is complete) and
// creates BASE/rpt.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/sampledb_generate.h"
#include "app/zol5300/sampledb_writer.h"
#include "app/zol5300/usage.h"
#include "core/package_path.h"

namespace zol::app {

namespace fs = std::filesystem;

namespace {

constexpr long long kDefaultStudents = 1200;
constexpr long long kMaxStudents = 1000000;

struct Options {
    std::string base;
    long long students = kDefaultStudents;
    std::uint64_t seed = 1;
};

bool parse_number(const std::string& text, unsigned long long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parse_options(const Args& args, Options& opt) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--students" || a == "--seed") {
            unsigned long long v = 0;
            if (i + 1 >= args.size() || !parse_number(args[i + 1], v)) {
                std::fprintf(stderr, "zol5300 sampledb: %s 須接一個非負整數\n", a.c_str());
                return false;
            }
            ++i;
            if (a == "--seed") {
                opt.seed = v;
            } else if (v < 1 || v > static_cast<unsigned long long>(kMaxStudents)) {
                std::fprintf(stderr, "zol5300 sampledb: 學生人數須在 1 到 %lld 之間\n",
                             kMaxStudents);
                return false;
            } else {
                opt.students = static_cast<long long>(v);
            }
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "zol5300 sampledb: 不明的選項 %s\n", a.c_str());
            return false;
        } else if (opt.base.empty()) {
            opt.base = a;
        } else {
            std::fprintf(stderr, "zol5300 sampledb: 多餘的參數 %s\n", a.c_str());
            return false;
        }
    }
    if (opt.base.empty()) {
        print_usage("sampledb", stderr);
        return false;
    }
    return true;
}

// The package directory `name` under base, in whatever case it already exists.
fs::path package_dir(const std::string& base, const char* name) {
    fs::path dir = resolve_package_path(base + "/" + name);
    fs::create_directories(dir);
    return dir;
}

void sync_path(const fs::path& p, int flags) {
    const int fd = ::open(p.c_str(), flags);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Removes the half-written file unless it was moved into place.
struct TempFile {
    fs::path path;
    bool kept = false;
    ~TempFile() {
        if (!kept) {
            std::error_code ec;
            fs::remove(path, ec);
        }
    }
};

}  // namespace

int cmd_sampledb(const Args& args) {
    Options opt;
    if (!parse_options(args, opt)) return kExitRefused;

    const fs::path mdb = package_dir(opt.base, "mdb");
    package_dir(opt.base, "rpt");
    const fs::path target = resolve_package_path((mdb / "ZOL.mdb").string());
    // Only a regular file is replaced: a device or a FIFO at the name is not ours to take.
    if (const fs::file_status st = fs::symlink_status(target);
        fs::exists(st) && !fs::is_regular_file(st)) {
        std::fprintf(stderr, "zol5300 sampledb: %s 不是一般檔案，不予取代\n", target.c_str());
        return kExitRefused;
    }

    TempFile temp{mdb / (".ZOL.mdb.tmp-" + std::to_string(::getpid()))};
    fs::remove(temp.path);
    sample::SampleSummary sum;
    {
        sample::SampleWriter writer(temp.path.string());
        sum = sample::generate_sample(writer, opt.students, opt.seed);
        writer.finish();
    }
    sync_path(temp.path, O_RDONLY);
    fs::rename(temp.path, target);
    temp.kept = true;
    sync_path(mdb, O_RDONLY | O_DIRECTORY);

    std::printf(
        "已建立範例資料庫 %s：學生 %lld 人（已刪除 %lld）、班級 %lld 個、收款批次 %lld 筆、"
        "繳費 %lld 筆、繳費項目 %lld 筆（種子 %llu）\n",
        target.c_str(), sum.students, sum.removed, sum.classes, sum.batches, sum.payments,
        sum.pay_items, static_cast<unsigned long long>(opt.seed));
    return kExitDone;
}

}  // namespace zol::app
