// Test entry for suites that need a QApplication (widgets, printing, fonts). A suite built
// with ZOL_TEST_XVFB runs on an X server of its own, so that key events are real ones:
// 1920 x 1080 and no window manager, or the office desktop ZOL_TEST_DESKTOP names ("1366x768
// 1.25 44": screen size, Qt scale, a panel of 44 pixels under a window manager; LANG=C).
// A suite built with ZOL_TEST_FCITX has fcitx5 with Chewing there too.
#include <gtest/gtest.h>

#include <QApplication>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "support/dev_null_guard.h"
#include "support/test_env.h"
#ifdef ZOL_TEST_XVFB
#include "support/x11_desktop.h"
#include "support/xvfb.h"
#endif
#ifdef ZOL_TEST_FCITX
#include "support/fcitx.h"
#endif

namespace {

int run(int argc, char** argv) {
#ifdef ZOL_TEST_XVFB
    // None of it for the test listing at build time.
    const bool listing = argc >= 2 && std::string_view(argv[1]) == "--gtest_list_tests";
    std::unique_ptr<zol::test::Xvfb> xvfb;
    std::unique_ptr<zol::test::Desktop> desktop;
    if (!listing) {
        std::istringstream office(std::getenv("ZOL_TEST_DESKTOP") ? std::getenv("ZOL_TEST_DESKTOP")
                                                                  : "");
        std::string size = "1920x1080", scale;
        int panel = 0;
        office >> size >> scale >> panel;
        xvfb = std::make_unique<zol::test::Xvfb>(size);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (panel > 0) {
            desktop = std::make_unique<zol::test::Desktop>(panel);
            setenv("QT_SCALE_FACTOR", scale.c_str(), 1);
            setenv("LANG", "C", 1);
            unsetenv("LC_ALL");
        }
    }
#ifdef ZOL_TEST_FCITX
    std::unique_ptr<zol::test::FcitxSession> ime;
    if (!listing) ime = std::make_unique<zol::test::FcitxSession>();
#endif
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    zol::test::guard_dev_null();
    return RUN_ALL_TESTS();
}

}  // namespace

int main(int argc, char** argv) {
    zol::test::set_default_environment();
    // The helper programs end with the objects that started them, also when one fails.
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "test set-up failed: " << e.what() << "\n";
        return 1;
    }
}
