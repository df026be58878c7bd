// The default message boxes: OK only under the application's title, and the Yes/No
// question with an empty title, both without an icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "ui/message_box.h"

namespace zol {
namespace {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QList<QMessageBox::StandardButton> buttons;
};

// Once the box is open, notes what it shows and presses `press`.
void answer_next_box(SeenBox& seen, QMessageBox::StandardButton press) {
    QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) seen.buttons << box->standardButton(b);
        box->button(press)->click();
    });
}

TEST(MessageBoxes, MessageHasTheProgramTitleAndOnlyOk) {
    SeenBox seen;
    answer_next_box(seen, QMessageBox::Ok);
    show_message(nullptr, QString::fromUtf8("查 無 資 料"));
    EXPECT_EQ(seen.title, QStringLiteral("Zol5300P1"));
    EXPECT_EQ(seen.text, QString::fromUtf8("查 無 資 料"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

TEST(MessageBoxes, QuestionHasAnEmptyTitleAndYesNo) {
    SeenBox seen;
    answer_next_box(seen, QMessageBox::No);
    EXPECT_FALSE(ask_yes_no(nullptr, QString::fromUtf8("你 要 顯 示 全 校 名 冊 嗎?")));
    EXPECT_EQ(seen.title, QString());
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::Yes));
    EXPECT_TRUE(seen.buttons.contains(QMessageBox::No));
    SeenBox again;
    answer_next_box(again, QMessageBox::Yes);
    EXPECT_TRUE(ask_yes_no(nullptr, QStringLiteral("?")));
}

}  // namespace
}  // namespace zol
