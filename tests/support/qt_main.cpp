// Test entry for suites that need a QApplication (widgets, printing, fonts). A suite built
// with ZOL_TEST_XVFB runs on an X server of its own, so that key events are real ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string_view>

#include "support/test_env.h"
#ifdef ZOL_TEST_XVFB
#include "support/xvfb.h"
#endif

int main(int argc, char** argv) {
    zol::test::set_default_environment();
#ifdef ZOL_TEST_XVFB
    std::unique_ptr<zol::test::Xvfb> xvfb;  // none for the test listing at build time
    if (argc < 2 || std::string_view(argv[1]) != "--gtest_list_tests") {
        xvfb = std::make_unique<zol::test::Xvfb>();
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
