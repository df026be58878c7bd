// Two clerks' accounts on one package folder (sticky and writable by all, as an office
// shares it), with the kernel's protections of such folders off and on: whatever the other
// clerk plants under the names a run uses, the run neither writes through it, nor hangs on
// it, nor reads or serves it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <thread>

#include "core/big5.h"
#include "core/unique_fd.h"
#include "data/jet/file_digest.h"
#include "support/child_process.h"
#include "support/jet_files.h"
#include "support/report_pages.h"
#include "support/sample_db.h"
#include "support/two_clerks.h"

namespace zol::test {
namespace {

using Args = std::vector<std::string>;

class Clerks : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        if (const std::string why = two_clerks_unavailable(); !why.empty()) GTEST_SKIP() << why;
        protections_.emplace(GetParam());
        if (!protections_->set()) GTEST_SKIP() << "the kernel's protections cannot be set here";
        for (const char* d : {"mdb", "rpt"}) fs::create_directory(jet_ / d);
        for (const fs::path& d :
             {pkg_.base(), pkg_.rpt(), jet_.path(), jet_ / "rpt", shared_.path(), tmp_.path()})
            ::chmod(d.c_str(), 01777);
        fs::copy_file(sample_jet(), jet_ / "mdb/ZOL.mdb");
        for (const fs::path& d : {pkg_.base() / "mdb", jet_ / "mdb"}) ::chmod(d.c_str(), 0755);
        for (const fs::path& f : {pkg_.db(), jet_ / "mdb/ZOL.mdb"}) ::chmod(f.c_str(), 0644);
        give_to(home_.path(), kClerkA, 0700);
        write_file(secret(), "secret");
        give_to(secret(), kClerkA, 0600);
    }

    fs::path secret() const { return home_ / "secret"; }
    // A's run of `command` on `base` with the other arguments `args`.
    RunOutput a(const std::string& command, const fs::path& base, Args args = {},
                const fs::path& cache = {}) const {
        if (command == "report") {
            const bool jet = base == jet_.path();
            args.insert(args.begin(),
                        {"--tranday", jet ? "113/09/10" : "095/03/15", "--print-date=2025-03-07"});
        }
        args.insert(args.begin(), {command, base.string()});
        return run_as(kClerkA,
                      {"HOME=" + home_.path().string(), "TMPDIR=" + tmp_.path().string(),
                       "XDG_CACHE_HOME=" + (cache.empty() ? home_ / "cache" : cache).string()},
                      args);
    }
    // What the report of `base` is, read by root alone.
    static std::string expected(const fs::path& base, const std::string& tranday) {
        const TempDir copy;
        fs::copy(base / "mdb", copy / "mdb");
        EXPECT_EQ(run_captured({"report", copy.path().string(), "--tranday", tranday,
                                "--print-date=2025-03-07", "--no-cache"})
                      .code,
                  0);
        return read_file(copy / "rpt/rep_5300.TXT");
    }

    // The cache folder of the sample Jet file's content.
    static std::string content_folder() {
        const UniqueFd fd(::open(sample_jet().c_str(), O_RDONLY | O_CLOEXEC));
        return "v2-" + digest_of(fd.get())->hex();
    }

    std::optional<KernelProtections> protections_;
    const Package pkg_{Package::Fixture{"packages/small.sql"}};
    const TempDir jet_{"zol_jet_"}, home_{"zol_home_"}, shared_{"zol_shared_"}, tmp_{"zol_tmp_"};
};

INSTANTIATE_TEST_SUITE_P(Protections, Clerks, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "On" : "Off"; });

// B turns the missing report folder into a link to a folder of A's.
TEST_P(Clerks, AReportFolderLinkIsNotFollowed) {
    fs::remove(pkg_.rpt());
    fs::create_directory(home_ / "mine");
    write_file(home_ / "mine/rep_5300.TXT", "mine");
    give_to(home_ / "mine", kClerkA);
    give_to(home_ / "mine/rep_5300.TXT", kClerkA);
    fs::create_directory_symlink(home_ / "mine", pkg_.rpt());
    give_to(pkg_.rpt(), kClerkB);
    const RunOutput r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("符號連結"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(home_ / "mine/rep_5300.TXT"), "mine");
}

// B puts a link to A's private file where the report goes.
TEST_P(Clerks, AReportLinkIsNotWrittenThrough) {
    fs::create_symlink(secret(), pkg_.report());
    give_to(pkg_.report(), kClerkB);
    const RunOutput r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("符號連結"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(secret()), "secret");
}

// B puts FIFOs under every name a run opens: the run, --no-cache, find and --pdf end.
TEST_P(Clerks, PlantedFifosHangNothing) {
    // The folders on the way are B's too, open to all.
    const auto fifo = [](const fs::path& at, const std::vector<fs::path>& folders) {
        for (const fs::path& d : folders) {
            fs::create_directories(d);
            give_to(d, kClerkB, 0777);
        }
        ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0) << at;
        give_to(at, kClerkB);
    };
    fifo(pkg_.rpt() / ".rep_5300.TXT.1.tmp", {});
    fifo(tmp_ / "zol5300-jet-zzzzzz/.lock", {tmp_ / "zol5300-jet-zzzzzz"});
    fifo(shared_ / "zol5300" / content_folder() / ".fill.1.tmp",
         {shared_ / "zol5300", shared_ / "zol5300" / content_folder()});
    for (const Args& run : {Args{}, Args{"--no-cache"}}) {
        const RunOutput r = a("report", jet_.path(), run, shared_.path());
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_EQ(r.code, 0) << r.err;
    }
    fifo(pkg_.report(), {});
    for (const RunOutput& r : {a("find", pkg_.base(), {"郵政"}),
                               a("report", pkg_.base(), {"--pdf", (home_ / "r.pdf").string()})}) {
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_EQ(r.code, 4) << r.err;
        EXPECT_NE(r.err.find("不是一般檔案"), std::string::npos) << r.err;
    }
}

// B hard-links a third account's file that A may write at the report's name: the in-place
// write would carry A's report into that file.
TEST_P(Clerks, AHardLinkAtTheReportIsNotWrittenInPlace) {
    const fs::path third = shared_ / "third.txt";
    write_file(third, "C's file\r\n");
    give_to(third, kClerkC, 0666);
    fs::create_hard_link(third, pkg_.report());
    const RunOutput r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("硬連結"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(third), "C's file\r\n");
}

// zol5300 setup as A on a package folder that B got at first: B's exe/ (and the link in it
// to B's script) or a report folder anyone may change are refused, and no menu entry starts
// them; a folder name no desktop takes is refused too.
TEST_P(Clerks, SetupUsesNoFolderAnotherClerkCanChange) {
    const auto setup = [&](const fs::path& base) {
        return run_as(kClerkA, {"HOME=" + home_.path().string()}, {"setup", base.string()});
    };
    const auto entries = [&] {
        const fs::path apps = home_ / ".local/share/applications";
        return fs::exists(apps) ? std::distance(fs::directory_iterator(apps), {}) : 0;
    };
    const fs::path script = shared_ / "b-script";
    write_file(script, "#!/bin/sh\ntouch /tmp/zol_b_ran\n");
    give_to(script, kClerkB, 0755);
    fs::create_directory(pkg_.base() / "exe");
    fs::create_symlink(script, pkg_.base() / "exe/Zol5300P1");
    give_to(pkg_.base() / "exe/Zol5300P1", kClerkB);
    give_to(pkg_.base() / "exe", kClerkB, 0755);
    RunOutput r = setup(pkg_.base());
    EXPECT_EQ(r.code, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("屬於其他使用者"), std::string::npos) << r.err;
    EXPECT_EQ(entries(), 0);

    fs::remove_all(pkg_.base() / "exe");
    fs::remove_all(pkg_.rpt());
    fs::create_directory(pkg_.rpt());
    give_to(pkg_.rpt(), kClerkB, 0777);
    r = setup(pkg_.base());
    EXPECT_EQ(r.code, 2) << r.out << r.err;
    EXPECT_NE(r.err.find(pkg_.rpt().string() + "（可被其他使用者更動）"), std::string::npos)
        << r.err;
    EXPECT_EQ(entries(), 0);

    const fs::path odd = shared_ / "a%b";
    r = setup(odd);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("%"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(odd));
}

// In a shared package folder setup makes rpt/ writable by all with the sticky bit and says
// so; the reports written there are open to all, so that the next clerk's run (with the
// usual umask) writes the report in place instead of being refused.
TEST_P(Clerks, ASharedReportFolderTakesEveryClerksReport) {
    for (const char* d : {"exe", "rpt"}) fs::remove_all(pkg_.base() / d);
    RunOutput r =
        run_as(kClerkA, {"HOME=" + home_.path().string()}, {"setup", pkg_.base().string()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("多位使用者共用"), std::string::npos) << r.out;
    EXPECT_EQ(fs::status(pkg_.rpt()).permissions(), fs::perms::all | fs::perms::sticky_bit);
    ASSERT_EQ(a("report", pkg_.base()).code, 0);
    EXPECT_EQ(fs::status(pkg_.report()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    r = run_as(kClerkB, {"HOME=" + shared_.path().string()},
               {"report", pkg_.base().string(), "--tranday", "095/03/15", "--grade", "3"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(load_report(pkg_.report()).ff_count(), 3u);
}

// B plants links to A's private file at the names the old setup gave its temporary menu
// entry (the process id) in a shared applications folder: setup's names cannot be guessed,
// and it opens none of them.
TEST_P(Clerks, SetupOpensNoPlantedTemporaryName) {
    const fs::path data = shared_ / "data";
    fs::create_directories(data / "applications");
    for (const fs::path& d : {data, data / "applications"}) ::chmod(d.c_str(), 01777);
    const auto setup = [&] {
        return run_as(kClerkA, {"HOME=" + home_.path().string(), "XDG_DATA_HOME=" + data.string()},
                      {"setup", pkg_.base().string()});
    };
    fs::remove_all(pkg_.base() / "exe");
    ASSERT_EQ(setup().code, 0);
    const fs::path entry = fs::directory_iterator(data / "applications")->path();
    fs::remove(entry);
    const long last = std::stol(read_file("/proc/sys/kernel/ns_last_pid"));
    for (long pid = last + 1; pid < last + 300; ++pid) {
        const fs::path planted =
            entry.parent_path() / ("." + entry.filename().string() + ".tmp-" + std::to_string(pid));
        fs::create_symlink(secret(), planted);
        give_to(planted, kClerkB);
    }
    EXPECT_EQ(setup().code, 0);
    EXPECT_TRUE(read_file(secret()) == "secret") << "A's private file was written";
    EXPECT_NE(read_file(entry).find("[Desktop Entry]"), std::string::npos);
}

// In an export folder the group may write (no sticky bit), B renames A's temporary workbook
// away as soon as it appears and puts a link to A's private file in its place: nothing is
// written through the link, and the run does not call the swapped name its workbook.
TEST_P(Clerks, AWorkbookIsNotWrittenThroughASwappedTemporaryName) {
    const fs::path folder = shared_ / "export";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0777);
    const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(watch && ::inotify_add_watch(watch.get(), folder.c_str(), IN_MOVED_TO) >= 0);
    std::atomic<bool> stop = false;
    int swapped = 0;
    // The run removes the short-lived twin it checks the workbook against as soon as the
    // check is done, so a temporary name may be gone before B comes to it, and so may the
    // link B put there: only a swap that got as far as handing the link to B counts.
    const auto swap = [&](const fs::path& temp) {
        std::error_code gone;
        fs::rename(temp, temp.parent_path() / ("away" + temp.filename().string()), gone);
        if (gone) return false;
        fs::create_symlink(secret(), temp, gone);
        return !gone && ::lchown(temp.c_str(), kClerkB, kClerkB) == 0;
    };
    std::thread b([&] {
        alignas(inotify_event) char events[4096];
        while (!stop) {
            pollfd p{watch.get(), POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(watch.get(), events, sizeof events);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                const std::string name = e->len ? e->name : "";
                if (name.starts_with(".book.xlsx.") && name.ends_with(".tmp") &&
                    swap(folder / name))
                    ++swapped;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    });
    // B's swap has to land between the making of A's temporary workbook and its rename:
    // a school of 1200 students makes that a tenth of a second rather than a few
    // milliseconds, and A's run at the lowest priority leaves B the processor on a busy
    // machine.
    const SamplePackage school;
    for (const fs::path& d : {school.base(), school.rpt()}) ::chmod(d.c_str(), 01777);
    const RunOutput r = run_as(kClerkA,
                               {"HOME=" + home_.path().string(), "TMPDIR=" + tmp_.path().string(),
                                "XDG_CACHE_HOME=" + (home_ / "cache").string()},
                               {"report", school.base().string(), "--tranday", "113/09/10",
                                "--xlsx", (folder / "book.xlsx").string()},
                               60, {"nice", "-n", "19"});
    stop = true;
    b.join();
    EXPECT_GT(swapped, 0) << "no temporary workbook was seen";
    EXPECT_TRUE(read_file(secret()) == "secret") << "A's private file was written";
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("換掉"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "book.xlsx")));
}

// B swaps A's package database for a link to a database only A can read: A's run does not
// follow it, so A's private rows never reach the shared report folder; nor does a database of
// A's own that only A can read.
TEST_P(Clerks, APrivateDatabaseNeverFeedsASharedReport) {
    const fs::path mine = home_ / "mine.mdb";
    fs::copy_file(pkg_.db(), mine);
    give_to(mine, kClerkA, 0600);
    const std::string previous = "previous report\r\n";
    write_file(pkg_.report(), previous);
    give_to(pkg_.report(), kClerkA, 0666);
    fs::rename(pkg_.db(), pkg_.base() / "mdb/sound.mdb");
    fs::create_symlink(mine, pkg_.db());
    RunOutput r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("套件資料夾以外的連結"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(pkg_.report()), previous);

    fs::remove(pkg_.db());
    fs::copy_file(mine, pkg_.db());
    give_to(pkg_.db(), kClerkA, 0600);
    r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("只有部分使用者能讀取"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(pkg_.report()), previous);
}

// The package's Access file is a link to the sound file in the package folder, just
// written, so A's run waits a moment before it trusts what it read; at the first opening
// after that wait, B points the link at a file only A can read. The run reads only files
// it opened and looked at: it refuses or writes the sound report, never one of A's private
// rows.
TEST_P(Clerks, ADatabaseSwappedDuringARunIsNotRead) {
    const std::string sound = expected(jet_.path(), "113/09/10");
    const fs::path db = jet_ / "mdb/ZOL.mdb", swap = jet_ / "mdb/swap.mdb",
                   mine = home_ / "mine.mdb";
    write_file(mine, amended_sample());
    give_to(mine, kClerkA, 0600);
    fs::rename(db, jet_ / "mdb/kept.mdb");
    const auto point_at = [&](const fs::path& target) {
        fs::create_symlink(target, swap);
        fs::rename(swap, db);
    };
    point_at("kept.mdb");
    fs::last_write_time(db, fs::file_time_type::clock::now());
    const auto written = std::chrono::steady_clock::now();
    const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(watch && ::inotify_add_watch(watch.get(), db.c_str(), IN_OPEN) >= 0);
    const auto drain = [&] {
        alignas(inotify_event) char events[4096];
        while (::read(watch.get(), events, sizeof events) > 0) {
        }
    };
    const auto opened = [&] {
        pollfd p{watch.get(), POLLIN, 0};
        const bool seen = ::poll(&p, 1, 20'000) == 1;
        drain();
        return seen;
    };
    std::thread b([&] {
        // A run trusts a file's state once it is two seconds old.
        std::this_thread::sleep_until(written + std::chrono::milliseconds(1900));
        drain();
        if (opened()) point_at(mine);
    });
    const RunOutput r = a("report", jet_.path());
    b.join();
    if (r.code == 0) {
        EXPECT_TRUE(read_file(jet_ / "rpt/rep_5300.TXT") == sound) << "A's private rows";
    } else {
        EXPECT_EQ(r.code, 4) << r.err;
        EXPECT_NE(r.err.find("套件資料夾以外的連結"), std::string::npos) << r.err;
    }
}

// B keeps swapping the Access file for a FIFO, or puts a link to /dev/zero or a sparse file
// larger than any Access file in its place: every run of A's ends, with the report or a
// message, and A's cache takes no more than the file.
TEST_P(Clerks, ASwappedDatabaseHangsOrFillsNothing) {
    const fs::path db = jet_ / "mdb/ZOL.mdb", real = jet_ / "mdb/real.mdb",
                   fifo = jet_ / "mdb/fifo.mdb", held = jet_ / "mdb/held.mdb";
    const std::string sound = expected(jet_.path(), "113/09/10");
    fs::copy_file(db, real);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    std::atomic<bool> stop = false;
    std::thread b([&] {
        while (!stop) {
            ::rename(db.c_str(), held.c_str());
            std::error_code ec;
            fs::copy_file(fs::exists(held) && fs::is_fifo(held) ? real : fifo, db, ec);
            if (ec) ::mkfifo(db.c_str(), 0666);
            fs::remove(held, ec);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const fs::path cache = home_ / "cache";
    for (int i = 0; i < 3; ++i) {
        const RunOutput r = a("report", jet_.path(), {}, cache);
        EXPECT_EQ(r.signal, 0) << "run " << i << " hung";
        EXPECT_TRUE(r.code == 0 || r.code == 4) << r.code << " " << r.err;
    }
    stop = true;
    b.join();
    fs::remove(db);
    fs::create_symlink("/dev/zero", db);
    RunOutput r = a("report", jet_.path(), {}, cache);
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("不是一般檔案"), std::string::npos) << r.err;
    fs::remove(db);
    { std::ofstream(db, std::ios::binary) << read_file(real); }
    fs::resize_file(db, (std::uintmax_t{2} << 30) + 4096);
    ::chmod(db.c_str(), 0644);
    r = a("report", jet_.path(), {}, cache);
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("上限"), std::string::npos) << r.err;
    // As long as an Access file may be, but written only where the sound one was: the run
    // reads it, without taking room on A's disk for its unwritten part.
    fs::resize_file(db, std::uintmax_t{2} << 30);
    std::atomic<std::uintmax_t> least_free = fs::space(cache.parent_path()).available;
    const std::uintmax_t free_before = least_free;
    std::atomic<bool> ran = false;
    std::thread watch([&] {
        while (!ran) {
            std::error_code ec;
            least_free =
                std::min<std::uintmax_t>(least_free, fs::space(cache.parent_path(), ec).available);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    r = a("report", jet_.path(), {}, cache);
    ran = true;
    watch.join();
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(read_file(jet_ / "rpt/rep_5300.TXT") == sound);
    EXPECT_LT(free_before - least_free, std::uintmax_t{256} << 20) << "bytes of A's disk taken";
    std::uintmax_t kept = 0;
    for (const auto& e : fs::exists(cache) ? fs::recursive_directory_iterator(cache)
                                           : fs::recursive_directory_iterator())
        if (e.is_regular_file()) kept += e.file_size();
    EXPECT_LT(kept, 2 * fs::file_size(real)) << "bytes in A's cache";
}

// B's report file made 8 GiB long (sparse, no form feed): A's find refuses it at once,
// within a memory limit far below the file's size.
TEST_P(Clerks, AHugePageIsRefusedBeforeItIsRead) {
    write_file(pkg_.report(), to_big5("郵政轉帳\r\n"));
    fs::resize_file(pkg_.report(), std::uintmax_t{8} << 30);
    give_to(pkg_.report(), kClerkB, 0666);
    const auto began = std::chrono::steady_clock::now();
    const RunOutput r =
        run_as(kClerkA, {"HOME=" + home_.path().string()}, {"find", pkg_.base().string(), "郵政"},
               30, {"prlimit", "--as=" + std::to_string(1u << 30)});
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    EXPECT_EQ(r.code, 4) << r.out << r.err;
    EXPECT_NE(r.err.find("超過 1 MB"), std::string::npos) << r.err;
}

// B's rep_5300.txt beside A's rep_5300.TXT is never what A's run shows or finds.
TEST_P(Clerks, ALikeNamedFileIsNotRead) {
    write_file(pkg_.rpt() / "rep_5300.txt", to_big5("假造的報表\r\n\x0c"
                                                    "21\r\n"));
    give_to(pkg_.rpt() / "rep_5300.txt", kClerkB);
    RunOutput r = a("report", pkg_.base(), {"--show", "--find", "郵政"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("郵政轉帳"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("假造"), std::string::npos) << r.out;
    r = a("find", pkg_.base(), {"假造"});
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.err.find("讀取的是 " + pkg_.report().string()), std::string::npos) << r.err;
}

// B's cache folder, open to all, holds tables of other amounts under the digests of their
// bytes and the name of A's file's content.
TEST_P(Clerks, AForgedCacheIsNotServed) {
    const std::string right = expected(jet_.path(), "113/09/10");
    fs::path forged = jet_ / "forged";
    fs::create_directories(forged / "mdb");
    write_file(forged / "mdb/ZOL.mdb", amended_sample());
    fs::create_directory(forged / "rpt");
    for (const fs::path& d : {forged, forged / "mdb", forged / "rpt"}) ::chmod(d.c_str(), 0777);
    ::chmod((forged / "mdb/ZOL.mdb").c_str(), 0644);
    ASSERT_EQ(run_as(kClerkB, {"XDG_CACHE_HOME=" + shared_.path().string()},
                     {"report", forged.string(), "--tranday", "113/09/10"})
                  .code,
              0);
    const fs::path root = shared_ / "zol5300";
    for (const auto& e : fs::directory_iterator(root))
        if (e.is_directory()) fs::rename(e.path(), root / content_folder());
    for (const auto& e : fs::recursive_directory_iterator(root)) ::chmod(e.path().c_str(), 0777);
    ::chmod(root.c_str(), 0777);
    const RunOutput r = a("report", jet_.path(), {}, shared_.path());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(read_file(jet_ / "rpt/rep_5300.TXT") == right) << "served B's tables";
    EXPECT_NE(r.err.find(root.string() + " 不屬於這個使用者"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// A full disk under the sticky report folder, B's report open to all in place: A's run
// cannot replace it by name and finds no room to write it in place.
TEST_P(Clerks, AFullDiskKeepsThePreviousReport) {
    const std::size_t size = expected(pkg_.base(), "095/03/15").size();
    if (::mount("tmpfs", pkg_.rpt().c_str(), "tmpfs", 0, "size=1m,mode=1777") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{pkg_.rpt()};
    write_file(pkg_.report(), "B's report\r\n");
    give_to(pkg_.report(), kClerkB, 0666);
    const fs::path filler = pkg_.rpt() / "filler";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(4096, 'x');
        while (out.write(block.data(), block.size())) {
        }
    }
    // Room for the new report beside the old one, not for a second copy of it.
    fs::resize_file(filler, fs::file_size(filler) / 4096 * 4096 - (size + 4095) / 4096 * 4096);
    const RunOutput r = a("report", pkg_.base());
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("磁碟空間不足"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(pkg_.report()), "B's report\r\n");
}

// `clerk`'s preview of the report of 095/03/15 (zol_held_preview), held open while
// `meanwhile` runs: what it then showed, found, printed and exported, by file.
std::map<std::string, std::string> held_preview(uid_t clerk, const fs::path& home,
                                                const fs::path& base,
                                                const std::function<void()>& meanwhile) {
    static int n = 0;
    const fs::path out = home / ("preview-" + std::to_string(++n));
    fs::create_directories(home / "tmp");
    give_to(home / "tmp", clerk, 0700);
    fs::create_directory(out);
    give_to(out, clerk, 0700);
    write_file(out / "needle", "林幼幼");
    // A umask that leaves the report open to all, as in an office's shared folder.
    const Child preview(as_clerk(clerk,
                                 {"HOME=" + home.string(), "TMPDIR=" + (home / "tmp").string(),
                                  "QT_QPA_PLATFORM=offscreen"},
                                 {"sh", "-c", "umask 0 && exec \"$0\" \"$@\"",
                                  std::string(ZOL_BINARY_DIR) + "/zol_held_preview", base.string(),
                                  "095/03/15", out.string()}),
                        (out.string() + ".log"));
    wait_until([&] { return fs::exists(out / "ready"); }, 60, "the preview did not open");
    meanwhile();
    write_file(out / "go", "");
    wait_until([&] { return fs::exists(out / "done"); }, 120, "the preview did not finish");
    std::map<std::string, std::string> seen;
    for (const char* f : {"pages.txt", "found.txt", "said.txt"}) seen[f] = read_file(out / f);
    for (const char* f : {"print.pdf", "export.pdf"})
        seen[f] = run_program({"pdftotext", "-layout", (out / f).string(), "-"}).out;
    seen["export.xlsx"] = xlsx_check({"content", (out / "export.xlsx").string()}).out;
    return seen;
}

void expect_same_preview(const std::map<std::string, std::string>& undisturbed,
                         const std::map<std::string, std::string>& disturbed) {
    EXPECT_EQ(
        std::count(undisturbed.at("pages.txt").begin(), undisturbed.at("pages.txt").end(), '\f'),
        4);
    EXPECT_NE(undisturbed.at("found.txt").find("第 4 頁"), std::string::npos)
        << undisturbed.at("found.txt");
    EXPECT_NE(undisturbed.at("print.pdf").find("林幼幼"), std::string::npos);
    for (const auto& [file, text] : undisturbed) {
        EXPECT_TRUE(file == "said.txt" || !text.empty()) << file;
        EXPECT_TRUE(disturbed.at(file) == text) << file << " differs from the undisturbed one";
    }
}

// B's preview stays open on B's report (a file anyone may write) while A's run writes A's
// report into that file in place: B's pages, find, print, PDF and Excel stay B's report's,
// as in a preview nobody disturbed.
TEST_P(Clerks, AnOpenPreviewKeepsItsReport) {
    const TempDir b_home{"zol_home_b_"};
    give_to(b_home.path(), kClerkB, 0700);
    const auto undisturbed = held_preview(kClerkB, b_home.path(), pkg_.base(), [] {});
    const auto disturbed = held_preview(kClerkB, b_home.path(), pkg_.base(), [&] {
        const RunOutput r = a("report", pkg_.base(), {"--grade", "3"});
        EXPECT_EQ(r.code, 0) << r.err;
        struct stat st {};
        EXPECT_TRUE(::stat(pkg_.report().c_str(), &st) == 0 && st.st_uid == kClerkB)
            << "A's report was not written into B's file";
        EXPECT_EQ(load_report(pkg_.report()).ff_count(), 3u);
    });
    expect_same_preview(undisturbed, disturbed);
}

// A's run writes its report into B's file in place; B keeps writing into that file of its
// own: A's preview, find, print and exports show A's report, not B's text.
TEST_P(Clerks, ARunInPlaceKeepsItsReport) {
    const auto plant = [&] {
        write_file(pkg_.report(), "B's report\r\n");
        give_to(pkg_.report(), kClerkB, 0666);
    };
    plant();
    const auto undisturbed = held_preview(kClerkA, home_.path(), pkg_.base(), [] {});
    plant();
    const auto disturbed = held_preview(kClerkA, home_.path(), pkg_.base(), [&] {
        struct stat st {};
        EXPECT_TRUE(::stat(pkg_.report().c_str(), &st) == 0 && st.st_uid == kClerkB);
        // Into the file as it stands: the kernel's protections refuse to create one there.
        const std::string text = to_big5(
            "假造的報表\r\n\x0c"
            "21\r\n林幼幼\r\n");
        const UniqueFd fd(::open(pkg_.report().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        ASSERT_TRUE(fd && ::write(fd.get(), text.data(), text.size()) ==
                              static_cast<ssize_t>(text.size()));
    });
    expect_same_preview(undisturbed, disturbed);
}

}  // namespace
}  // namespace zol::test
