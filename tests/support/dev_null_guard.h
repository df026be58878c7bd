// Every test process checks that it leaves /dev/null the device it found: a program that
// replaced it by a rename would break every later program on the machine that writes there,
// the other accounts' runs of the suite included.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <memory>

namespace zol::test {

// Whether /dev/null is the null device (character device 1, 3) itself, not a file or a link.
inline bool is_null_device() {
    struct stat st {};
    return ::lstat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
}

class DevNullGuard : public ::testing::Environment {
  public:
    void SetUp() override { was_device_ = is_null_device(); }
    void TearDown() override {
        if (was_device_) {
            EXPECT_TRUE(is_null_device()) << "/dev/null is no longer the null device";
        }
    }

  private:
    bool was_device_ = false;
};

inline void guard_dev_null() {
    // gtest owns its environments and deletes them at exit.
    ::testing::AddGlobalTestEnvironment(std::make_unique<DevNullGuard>().release());
}

}  // namespace zol::test
