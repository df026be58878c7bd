// Test entry for suites that need a QApplication (widgets, printing, fonts). A suite built
// with ZOL_TEST_XVFB runs on an X server of its own, so that key events are real ones: of
// the size ZOL_TEST_SCREEN ("1366x768"; else 1920 x 1080), with a window manager and a panel
// of ZOL_TEST_PANEL pixels when that is set. A suite built with ZOL_TEST_FCITX has fcitx5 with
// Chewing there too.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string_view>

#include "support/test_env.h"
#ifdef ZOL_TEST_XVFB
#include "support/x11_desktop.h"
#include "support/xvfb.h"
#endif
#ifdef ZOL_TEST_FCITX
#include "support/fcitx.h"
#endif

int main(int argc, char** argv) {
    zol::test::set_default_environment();
#ifdef ZOL_TEST_XVFB
    // None of it for the test listing at build time.
    const bool listing = argc >= 2 && std::string_view(argv[1]) == "--gtest_list_tests";
    std::unique_ptr<zol::test::Xvfb> xvfb;
    std::unique_ptr<zol::test::Desktop> desktop;
    if (!listing) {
        const char* screen = std::getenv("ZOL_TEST_SCREEN");
        xvfb = std::make_unique<zol::test::Xvfb>(screen ? screen : "1920x1080");
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (const char* panel = std::getenv("ZOL_TEST_PANEL"))
            desktop = std::make_unique<zol::test::Desktop>(std::atoi(panel));
    }
#ifdef ZOL_TEST_FCITX
    std::unique_ptr<zol::test::FcitxSession> ime;
    if (!listing) ime = std::make_unique<zol::test::FcitxSession>();
#endif
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
