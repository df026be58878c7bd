// The default message boxes: OK only under the application's title, the Yes/No question with
// an empty title, and the preview's own OK-only messages, all without an icon.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "support/files.h"
#include "ui/message_box.h"
#include "ui/show_preview.h"

namespace zol {
namespace {

// Each box once open: its title, text, icon and buttons, then `press` pressed.
TEST(MessageBoxes, TitlesTextsAndButtonsOfEachKind) {
    using B = QMessageBox::StandardButton;
    const char* text = "查 無 資 料";
    const test::TempDir dir("zol_boxes_");
    test::write_file(dir / "rpt" / "rep_5300.TXT", "x\r\n\f21\r\n");
    print::PrintState state;
    PreviewHost preview(state, dir.path().string());
    preview.show_preview("rep_5300.txt", 1, "A4", 1, 2);
    const auto say = [&] { return show_message(nullptr, QString::fromUtf8(text)), true; };
    const auto ask = [&] { return ask_yes_no(nullptr, QString::fromUtf8(text)); };
    const auto next = [&] { return preview.window()->CMD_NEXTPAGE_Click(), true; };
    const struct {
        std::function<bool()> show;
        B press;
        bool result;
        const char *title, *text;
        QList<B> buttons;
    } cases[] = {{say, B::Ok, true, "Zol5300P1", text, {B::Ok}},
                 {ask, B::No, false, "", text, {B::Yes, B::No}},
                 {ask, B::Yes, true, "", text, {B::Yes, B::No}},
                 {next, B::Ok, true, "預視列印訊息", "已是最後一頁, 無次頁 !", {B::Ok}}};
    for (const auto& c : cases) {
        QString title, shown;
        QList<B> buttons;
        QMessageBox::Icon icon = QMessageBox::Information;
        // Looks for the box until it is open; one that never comes, or a modal window that
        // is no message box, fails the test within the time limit instead of hanging it.
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                if (clock.elapsed() < 10000) return;
                poll.stop();
                ADD_FAILURE() << "no message box within 10 s";
                if (modal) modal->close();
                return;
            }
            poll.stop();
            title = box->windowTitle();
            shown = box->text();
            icon = box->icon();
            for (QAbstractButton* b : box->buttons()) buttons << box->standardButton(b);
            if (QAbstractButton* b = box->button(c.press)) {
                b->click();
            } else {
                box->done(0);
            }
        });
        poll.start();
        EXPECT_EQ(c.show(), c.result);
        poll.stop();
        EXPECT_EQ(title, QString::fromUtf8(c.title));
        EXPECT_EQ(shown, QString::fromUtf8(c.text));
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        std::sort(buttons.begin(), buttons.end());
        EXPECT_EQ(buttons, c.buttons);
    }
}

}  // namespace
}  // namespace zol
