// Test entry for suites that need a QApplication (widgets, printing, fonts). A suite built
// with ZOL_TEST_XVFB runs on an X server of its own, so that key events are real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

#include "support/test_env.h"
#ifdef ZOL_TEST_XVFB
#include "support/xvfb.h"
#endif

int main(int argc, char** argv) {
    zol::test::set_default_environment();
#ifdef ZOL_TEST_XVFB
    std::unique_ptr<zol::test::Xvfb> xvfb;
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!listing) {
        xvfb = std::make_unique<zol::test::Xvfb>();
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
