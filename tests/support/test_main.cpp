// Test entry for suites without a QApplication.
#include <gtest/gtest.h>

#include "support/dev_null_guard.h"
#include "support/test_env.h"

int main(int argc, char** argv) {
    zol::test::set_default_environment();
    ::testing::InitGoogleTest(&argc, argv);
    zol::test::guard_dev_null();
    return RUN_ALL_TESTS();
}
