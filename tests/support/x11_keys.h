// Real key events for the window tests on the suite's X server: XTest keys through xdotool,
// sent where the X input focus is.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <functional>

namespace zol::test {

inline bool xdo(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitCode() == 0;
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return ok;
}

// Presses the keys (xdotool names) where the X input focus is and waits until `done` holds.
inline bool press(const QString& keys, const std::function<bool()>& done) {
    return xdo(QStringList{"key"} + keys.split(' ')) && QTest::qWaitFor(done, 5000);
}

inline void show_focused(QWidget& w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(xdo({"windowfocus", "--sync", QString::number(w.winId())}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isActiveWindow(); }, 5000));
}

}  // namespace zol::test
