// zol5300 setup BASE [--sample] [--args "a/b/c"]: makes BASE a package folder for the
// installed programs: BASE/exe with links to them, BASE/rpt, a desktop launcher, and the
// sample school's database only when asked for. Running it again changes nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/setup_launcher.h"
#include "app/zol5300/setup_place.h"
#include "app/zol5300/usage.h"
#include "core/file_target.h"
#include "core/package_path.h"
#include "core/trusted_path.h"

namespace zol::app {

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string base;
    std::string args = "1/1/1";
    bool sample = false;
};

bool parse_options(const Args& args, Options& opt) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--sample") {
            opt.sample = true;
        } else if (a == "--args") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                std::fputs("zol5300 setup: --args 須接啟動參數，例如 \"1/1/1\"\n", stderr);
                return false;
            }
            opt.args = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "zol5300 setup: 不明的選項 %s\n", a.c_str());
            return false;
        } else if (opt.base.empty()) {
            opt.base = a;
        } else {
            std::fprintf(stderr, "zol5300 setup: 多餘的參數 %s\n", a.c_str());
            return false;
        }
    }
    if (opt.base.empty()) {
        print_usage("setup", stderr);
        return false;
    }
    return true;
}

bool has_control_character(const std::string& text) {
    for (const unsigned char c : text)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

// The programs read "\" in their paths as a folder separator, a launcher cannot carry a line
// break, and desktops refuse a launcher whose command holds "%" however it is escaped: such a
// folder cannot become a package folder.
bool unusable_folder_name(const std::string& text) {
    return has_control_character(text) || text.find_first_of("\\%") != std::string::npos;
}

// BASE as a writable folder, made when missing; empty (after a message) when it cannot be.
fs::path usable_base(const std::string& given) {
    std::error_code ec;
    const fs::path base = fs::absolute(given, ec).lexically_normal();
    const fs::path shown = base.has_filename() ? base : base.parent_path();
    if (ec || unusable_folder_name(shown.string())) {
        std::fprintf(stderr, "zol5300 setup: 資料夾名稱不可含控制字元、\\ 或 %%：%s\n",
                     given.c_str());
        return {};
    }
    if (fs::exists(shown, ec) && !fs::is_directory(shown, ec)) {
        std::fprintf(stderr, "zol5300 setup: %s 不是資料夾\n", shown.c_str());
        return {};
    }
    fs::create_directories(shown, ec);
    if (ec || ::access(shown.c_str(), W_OK | X_OK) != 0) {
        std::fprintf(stderr, "zol5300 setup: 資料夾 %s 無法寫入%s%s\n", shown.c_str(),
                     ec ? "：" : "", ec ? file_error_reason(ec.value()).c_str() : "");
        return {};
    }
    return shown;
}

// The package folder `name` under base, in whatever case it already exists.
fs::path package_dir(const fs::path& base, const char* name) {
    const fs::path dir = resolve_package_path(base.string() + "/" + name);
    std::printf("%s %s\n", fs::create_directories(dir) ? "已建立" : "已有", dir.c_str());
    return dir;
}

// Other accounts may write in the folder: several clerks share it.
bool shared_folder(const fs::path& dir) {
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && (st.st_mode & 022) != 0;
}

// BASE/rpt, made when missing. In a folder several clerks share it is made writable by all
// with the sticky bit, so that each clerk's run can write the report and none can replace
// another's files; one that others may change without that bit is refused.
bool usable_report_folder(const fs::path& base) {
    const fs::path rpt = package_dir(base, "rpt");
    struct stat st {};
    if (::lstat(rpt.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "zol5300 setup: %s 不是資料夾\n", rpt.c_str());
        return false;
    }
    const bool sticky = (st.st_mode & S_ISVTX) != 0;
    if ((st.st_mode & 022) != 0 && !sticky) {
        std::fprintf(stderr, "zol5300 setup: 不使用 %s（可被其他使用者更動）\n", rpt.c_str());
        return false;
    }
    if (shared_folder(base) && !sticky && st.st_uid == ::geteuid()) {
        if (::chmod(rpt.c_str(), 01777) != 0) {
            std::fprintf(stderr, "zol5300 setup: 無法設定 %s 的權限：%s\n", rpt.c_str(),
                         file_error_reason(errno).c_str());
            return false;
        }
        std::printf("已設定 %s 為多位使用者共用（權限 1777）\n", rpt.c_str());
    }
    return true;
}

void report_placed(Placed placed, const fs::path& at, const fs::path& target) {
    switch (placed) {
        case Placed::kUnchanged:
            std::printf("已有 %s\n", at.c_str());
            break;
        case Placed::kLinked:
            std::printf("已連結 %s -> %s\n", at.c_str(), target.c_str());
            break;
        case Placed::kCopied:
            std::printf("已複製 %s（此資料夾不能建立連結；程式更新後請再執行 zol5300 setup）\n",
                        at.c_str());
            break;
        case Placed::kWritten:
            std::printf("已寫入 %s\n", at.c_str());
            break;
    }
}

}  // namespace

int cmd_setup(const Args& args) {
    Options opt;
    if (!parse_options(args, opt)) return kExitRefused;
    if (has_control_character(opt.args)) {
        std::fputs("zol5300 setup: --args 不可含控制字元\n", stderr);
        return kExitRefused;
    }
    const fs::path base = usable_base(opt.base);
    if (base.empty()) return kExitRefused;

    // The installed programs: this program's real folder holds both.
    std::error_code ec;
    const fs::path installed = fs::read_symlink("/proc/self/exe", ec).parent_path();
    const fs::path window = installed / "Zol5300P1";
    if (ec || !fs::is_regular_file(window)) {
        std::fprintf(stderr, "zol5300 setup: 安裝不完整，找不到 %s\n", window.c_str());
        return kExitFailed;
    }

    fs::path program;
    try {
        const fs::path exe = package_dir(base, "exe");
        // The menu entry starts what lies here: a folder another account can change would
        // let that account's program run as this user.
        if (const std::string why = untrusted_folder(exe); !why.empty()) {
            std::fprintf(stderr, "zol5300 setup: 不使用 %s（%s）\n", exe.c_str(), why.c_str());
            return kExitRefused;
        }
        if (!usable_report_folder(base)) return kExitRefused;
        for (const char* name : {"Zol5300P1", "zol5300"}) {
            const fs::path at = exe / name;
            report_placed(place_program(installed / name, at), at, installed / name);
        }
        program = exe / "Zol5300P1";
    } catch (const fs::filesystem_error& e) {
        std::fprintf(stderr, "zol5300 setup: 無法寫入 %s：%s\n", e.path1().c_str(),
                     file_error_reason(e.code().value()).c_str());
        return kExitRefused;
    }

    const fs::path launcher = launcher_path(base);
    if (launcher.empty()) {
        std::fputs("zol5300 setup: 未設定 HOME，無法建立桌面選單項目\n", stderr);
        return kExitRefused;
    }
    try {
        report_placed(write_if_changed(launcher, launcher_text(base, program, opt.args)), launcher,
                      {});
    } catch (const fs::filesystem_error& e) {
        std::fprintf(stderr, "zol5300 setup: 無法寫入桌面選單項目 %s：%s\n", launcher.c_str(),
                     file_error_reason(e.code().value()).c_str());
        return kExitFailed;
    }

    const fs::path mdb = resolve_package_path(base.string() + "/mdb/ZOL.mdb");
    if (fs::exists(mdb)) {
        std::printf("已有 %s\n", mdb.c_str());
    } else if (opt.sample) {
        return cmd_sampledb({base.string()});
    } else {
        std::printf("尚無學校資料庫：請把學校的 ZOL.mdb 放在 %s\n", mdb.c_str());
    }
    return kExitDone;
}

}  // namespace zol::app
