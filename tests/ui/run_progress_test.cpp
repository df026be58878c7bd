// The window's progress dialog: none for a short run, then what is read or written, the
// rows so far and a bar; its Cancel stops the run at the next report.
#include "ui/run_progress.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QWidget>

namespace zol {
namespace {

TEST(RunProgress, ShowsAfterTheDelayAndCancelStopsTheRun) {
    QWidget window;
    window.show();
    RunProgress quick(&window, 60000);
    quick.listener()(Progress{"讀取資料表 ZOL8_Payment", 10, 0, 2});
    EXPECT_EQ(quick.dialog(), nullptr);

    RunProgress slow(&window, 0);
    const ProgressFn report = slow.listener();
    report(Progress{"讀取資料表 ZOL8_Payment", 16384, 1, 2});
    ASSERT_NE(slow.dialog(), nullptr);
    EXPECT_TRUE(slow.dialog()->isVisible());
    EXPECT_TRUE(slow.dialog()->labelText().contains(QString::fromUtf8("讀取資料表 ZOL8_Payment")));
    EXPECT_TRUE(slow.dialog()->labelText().contains(QString::fromUtf8("16384 筆")));
    EXPECT_EQ(std::pair(slow.dialog()->maximum(), slow.dialog()->value()), std::pair(2, 1));

    QPushButton* cancel = slow.dialog()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QString::fromUtf8("取消"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_THROW(report(Progress{"寫入報表 rep_5300.TXT", 20000, 0, 0}), RunCancelled);
}

}  // namespace
}  // namespace zol
