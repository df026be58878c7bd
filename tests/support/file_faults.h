// File failures a test provokes in its own process, so that the failing paths run where
// their coverage is counted: another account's file rights (this thread's file system ids),
// a file size limit, and a small file system.
#pragma once

#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace zol::test {

// This thread opens, renames and creates files as `uid` until the object ends; root only
// (check with possible()). The capabilities that let root pass the rights checks come back
// with the ids.
class AsAccount {
  public:
    static bool possible() { return ::geteuid() == 0; }
    explicit AsAccount(uid_t uid) {
        ::setfsgid(uid);
        ::setfsuid(uid);
    }
    ~AsAccount() {
        ::setfsuid(0);
        ::setfsgid(0);
    }
    AsAccount(const AsAccount&) = delete;
    AsAccount& operator=(const AsAccount&) = delete;
};

// Writes beyond `bytes` fail with EFBIG (instead of raising SIGXFSZ) until the object ends.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*old_signal_)(int) = SIG_DFL;
};

// A tmpfs of `options` (e.g. "size=64k,mode=1777") over the folder `at` while the object
// lives; mounted() is false where no tmpfs can be mounted.
class SmallDisk {
  public:
    SmallDisk(const std::filesystem::path& at, const char* options)
        : at_(at), mounted_(::mount("tmpfs", at.c_str(), "tmpfs", 0, options) == 0) {}
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

  private:
    std::filesystem::path at_;
    bool mounted_;
};

}  // namespace zol::test
