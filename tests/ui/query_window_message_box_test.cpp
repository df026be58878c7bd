// The default message boxes: OK only under the application's title, and the Yes/No
// question with an empty title, both without an icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "ui/message_box.h"

namespace zol {
namespace {

// Each box once open: its title, text, icon and buttons, then `press` pressed.
TEST(MessageBoxes, MessageHasTheProgramTitleAndOnlyOkQuestionNoTitleAndYesNo) {
    using B = QMessageBox::StandardButton;
    const QString text = QString::fromUtf8("查 無 資 料");
    const struct {
        std::function<bool()> show;
        B press;
        bool result;
        QString title;
        QList<B> buttons;
    } cases[] = {
        {[&] { return show_message(nullptr, text), true; }, B::Ok, true, "Zol5300P1", {B::Ok}},
        {[&] { return ask_yes_no(nullptr, text); }, B::No, false, "", {B::Yes, B::No}},
        {[&] { return ask_yes_no(nullptr, text); }, B::Yes, true, "", {B::Yes, B::No}},
    };
    for (const auto& c : cases) {
        QString title, shown;
        QList<B> buttons;
        QMessageBox::Icon icon = QMessageBox::Information;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            shown = box->text();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons()) buttons << box->standardButton(b);
            box->button(c.press)->click();
        });
        EXPECT_EQ(c.show(), c.result);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(shown, text);
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        std::sort(buttons.begin(), buttons.end());
        EXPECT_EQ(buttons, c.buttons);
    }
}

}  // namespace
}  // namespace zol
