// The report file's writing when it fails: every failure names the report and its cause in
// Chinese, keeps the previous report as it was and leaves no temporary file behind.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "report/report_file.h"
#include "report/report_output.h"
#include "support/file_faults.h"
#include "support/report_pages.h"
#include "support/two_clerks.h"

namespace zol::test {
namespace {

constexpr const char* kPrevious = "B's report\r\n";

// Writes `lines` lines of 100 bytes to `target`, calling `before_commit` just before the
// commit; the error's message, or "" when the report was written.
std::string write_lines(const fs::path& target, int lines,
                        const std::function<void()>& before_commit = {}) {
    try {
        ReportOutput out(target);
        for (int i = 0; i < lines; ++i) out.text("郵政轉帳\\臨櫃明細表 " + std::string(78, 'x'));
        if (before_commit) before_commit();
        const auto held = out.commit();
        return held->fd() >= 0 ? "" : "no file held";
    } catch (const ReportError& e) {
        return e.what();
    }
}

// A message with its "%" replaced by the report's path.
std::string naming(std::string message, const fs::path& target) {
    if (const auto at = message.find('%'); at != std::string::npos)
        message.replace(at, 1, target.string());
    return message;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReportOutput, FailuresNameTheirCause) {
    const TempDir dir;
    const std::string long_name(250, 'r');
    const struct {
        fs::path target;  // under dir
        const char* message;
        std::function<void(const fs::path& target)> before_commit;
        rlim_t size_limit = RLIM_INFINITY;
        bool previous = true;  // a previous report stands at the name
    } cases[] = {
        {"none/RPT/r.TXT", "無法建立報表檔：%（資料夾不存在）", {}},
        {fs::path("pkg") / std::string(256, 'R') / "r.TXT", "無法建立報表檔：%（路徑太長）", {}},
        // Room for the report's name, none for its temporary name.
        {fs::path("pkg/RPT") / long_name, "無法建立報表檔：%（路徑太長）", {}},
        {"pkg/RPT/r.TXT", "無法寫入報表檔：%（資料夾不存在）",
         [](const fs::path& target) {  // someone removes the temporary file meanwhile
             for (const auto& e : fs::directory_iterator(target.parent_path()))
                 if (e.path().extension() == ".tmp") fs::remove(e.path());
         },
         RLIM_INFINITY, false},
        {"pkg/RPT/r.TXT", "無法寫入報表檔：%（檔案太大）", {}, 1000},
    };
    fs::create_directories(dir / "pkg/RPT");
    for (const auto& c : cases) {
        const fs::path target = dir / c.target;
        std::error_code ec;
        const bool folder = fs::exists(target.parent_path(), ec);
        if (c.previous && folder) write_file(target, kPrevious);
        const auto before = c.before_commit
                                ? std::function<void()>([&] { c.before_commit(target); })
                                : std::function<void()>();
        std::string message;
        {
            const FileSizeLimit limit(c.size_limit);
            message = write_lines(target, 20, before);
        }
        EXPECT_EQ(message, naming(c.message, target));
        if (folder) {
            EXPECT_EQ(read_file(target), c.previous ? kPrevious : "") << c.message;
            EXPECT_EQ(names_in(target.parent_path()).size(), c.previous ? 1u : 0u) << c.message;
            fs::remove(target);
        }
    }
}

// Another clerk's report in a shared folder with the sticky bit cannot be replaced by name:
// it is written in place when its rights let this clerk write it, and refused otherwise.
TEST(ReportOutput, AnotherClerksReportIsWrittenInPlaceOrRefused) {
    if (!AsAccount::possible()) GTEST_SKIP() << "another account's rights need root";
    const TempDir dir;
    fs::permissions(dir.path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const fs::path rpt = dir / "RPT", target = rpt / "rep_5300.TXT";
    fs::create_directory(rpt);
    ::chmod(rpt.c_str(), 01777);
    const struct {
        const char* name;
        std::function<void()> plant;  // what clerk B leaves at the report's name
        const char* message;          // "" when written in place; "%" stands for the report
        int lines = 20;
        const char* disk = "size=64k,mode=1777";  // the report folder's tmpfs
    } cases[] = {
        {"open to all", [&] { write_file(target, kPrevious), give_to(target, kClerkB, 0666); }, ""},
        {"B's alone", [&] { write_file(target, kPrevious), give_to(target, kClerkB, 0644); },
         "無法寫入報表檔：%（沒有寫入權限）"},
        {"link", [&] { fs::create_symlink("elsewhere", target), give_to(target, kClerkB); },
         "無法寫入報表檔：%（該名稱是符號連結，不予使用）"},
        {"FIFO", [&] { ::mkfifo(target.c_str(), 0666), give_to(target, kClerkB); },
         "無法寫入報表檔：%（該名稱不是一般檔案）"},
        {"read-only disk", [] {}, "無法建立報表檔：%（唯讀的檔案系統）", 20, "ro,mode=1777"},
        // Room for the new report beside the old one, none for it in place of the old one.
        {"full disk",
         [&] {
             write_file(target, kPrevious), give_to(target, kClerkB, 0666);
             std::ofstream filler(rpt / "filler", std::ios::binary);
             const std::string block(4096, 'x');
             while (filler.write(block.data(), block.size())) {
             }
             filler.close();
             fs::resize_file(rpt / "filler",
                             fs::file_size(rpt / "filler") / 4096 * 4096 - 3 * 4096);
         },
         "無法寫入報表檔：%（磁碟空間不足）", 120},
    };
    for (const auto& c : cases) {
        const SmallDisk disk(rpt, c.disk);
        if (!disk.mounted()) {
            ADD_FAILURE() << "no tmpfs can be mounted here";
            continue;
        }
        c.plant();
        struct stat st {};
        const std::string before =
            ::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? read_file(target) : "";
        std::string message;
        {
            const AsAccount clerk_a(kClerkA);
            message = write_lines(target, c.lines);
        }
        EXPECT_EQ(message, naming(c.message, target)) << c.name;
        const bool planted = ::lstat(target.c_str(), &st) == 0;
        if (planted) {
            EXPECT_EQ(st.st_uid, kClerkB) << c.name;
        }
        if (*c.message == '\0') {
            EXPECT_EQ(load_report(target).lines.size(), 20u);
        } else if (S_ISREG(st.st_mode)) {
            EXPECT_EQ(read_file(target), before) << c.name;
        }
        std::vector<std::string> left = names_in(rpt);
        std::erase(left, "filler");
        EXPECT_EQ(left.size(), planted ? 1u : 0u) << c.name;
        std::error_code ignored;  // nothing to remove from the read-only disk
        fs::remove(rpt / "filler", ignored);
        fs::remove(target, ignored);
    }
}

}  // namespace
}  // namespace zol::test
