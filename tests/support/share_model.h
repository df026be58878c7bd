// An office file share for a test: the files of a source folder seen through zol_share_fs at a
// mount point, where nothing is cached on the client, every read pays a latency and a link
// bandwidth, and the reads of each file are counted.
//
//   const ShareModel share(source.path(), mount.path(), {300, 1000, false});
//   ... run the program on share.mount() / "mdb/ZOL.mdb" ...
//   EXPECT_LT(share.reads("mdb/ZOL.mdb").bytes, size_of_the_file);
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/files.h"
#include "support/run_capture.h"

namespace zol::test {

struct ShareOptions {
    unsigned latency_us = 300;    // waited out by every read request
    unsigned bandwidth_mbit = 0;  // of the link that all reads share; 0: unlimited
    bool coarse_times = false;    // modification and change times in whole seconds
};

class ShareModel {
  public:
    struct Reads {
        std::uint64_t bytes = 0, requests = 0;
    };

    // Mounts `source` at `mount` (made when missing) and returns once the share answers.
    ShareModel(const fs::path& source, const fs::path& mount, ShareOptions options = {})
        : mount_(mount) {
        fs::create_directories(mount);
        std::vector<std::string> args{ZOL_SHARE_FS_PATH,  source.string(),
                                      mount.string(),     "-f",
                                      "--latency-us",     std::to_string(options.latency_us),
                                      "--bandwidth-mbit", std::to_string(options.bandwidth_mbit)};
        if (options.coarse_times) args.push_back("--coarse-times");
        daemon_ = std::make_unique<Child>(args);
        try {
            wait_until([&] { return std::ifstream(mount / ".share-stats").good(); }, 10,
                       "the share at " + mount.string() + " did not come up");
        } catch (...) {
            unmount();
            throw;
        }
    }
    ~ShareModel() { unmount(); }
    ShareModel(const ShareModel&) = delete;
    ShareModel& operator=(const ShareModel&) = delete;

    const fs::path& mount() const { return mount_; }

    // The reads of a file (its path below the mount) that reached the share so far.
    Reads reads(const std::string& relative_path) const {
        std::istringstream stats(read_file(mount_ / ".share-stats"));
        Reads r;
        std::string name;
        while (stats >> r.bytes >> r.requests && std::getline(stats >> std::ws, name))
            if (name == relative_path) return r;
        return {};
    }

    // Why no share can be mounted here (no FUSE device, no fusermount3, no daemon built);
    // empty when one can.
    static std::string unavailable() {
        if (::access("/dev/fuse", R_OK | W_OK) != 0) return "no usable /dev/fuse";
        if (::access(ZOL_SHARE_FS_PATH, X_OK) != 0) return ZOL_SHARE_FS_PATH " is not built";
        const char* path = std::getenv("PATH");
        std::istringstream dirs(path ? path : "/usr/bin:/bin");
        for (std::string dir; std::getline(dirs, dir, ':');)
            if (::access((fs::path(dir) / "fusermount3").c_str(), X_OK) == 0) return {};
        return "no fusermount3";
    }

  private:
    // Detached first, so that a daemon stuck in a request cannot leave a dead mount behind.
    void unmount() {
        if (run_program({"fusermount3", "-u", "-z", mount_.string()}).code != 0)
            run_program({"umount", "-l", mount_.string()});
        daemon_.reset();
    }

    fs::path mount_;
    std::unique_ptr<Child> daemon_;
};

}  // namespace zol::test
