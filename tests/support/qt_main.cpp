// Test entry for suites that need a QApplication (widgets, printing, fonts).
#include <gtest/gtest.h>

#include <QApplication>

#include "support/test_env.h"

int main(int argc, char** argv) {
    zol::test::set_default_environment();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
