// Both windows under real key events: XTest keys through xdotool on the suite's own Xvfb,
// with no window manager, so the X input focus is given to a window directly.
#include <xcb/xcb.h>

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "core/numbers.h"
#include "print/printer_device.h"
#include "print/printm.h"
#include "support/run_capture.h"
#include "ui/query_window_controls.h"
#include "ui/query_window_fixture.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

bool xdo(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    const bool ok = p.waitForFinished(10000) && p.exitCode() == 0;
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return ok;
}

bool focus_window(WId id) {
    return xdo({"windowfocus", "--sync", QString::number(id)});
}

// Presses the keys (xdotool names) where the X input focus is and waits until `done` holds.
bool press(const QString& keys, const std::function<bool()>& done) {
    return xdo(QStringList{"key"} + keys.split(' ')) && QTest::qWaitFor(done, 5000);
}

QString focused() {
    const QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

// Every message box that opens is answered with Enter, as a user would: its text and
// whether the pointer was the normal one meanwhile are kept.
struct BoxAnswerer {
    QStringList texts;
    QList<bool> normal_pointer;
    QPointer<QWidget> answered;
    QTimer timer;
    BoxAnswerer() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == answered || !box->isVisible() || !focus_window(box->winId())) return;
            answered = box;
            texts << box->text();
            normal_pointer << (QApplication::overrideCursor() == nullptr);
            xdo({"key", "Return"});
        });
        timer.start(50);
    }
};

void show_focused(QWidget& w) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(focus_window(w.winId()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.isActiveWindow(); }, 5000));
}

class RealKeys : public ::testing::Test {
  protected:
    // A class whose only seat number is 300.
    TempPackage pkg{std::string(kSmallPackageSql) +
                    "insert into ZOL7_Student values (5, 'S005', 5, 1, 300, '甲', 0);"};
    WindowUnderTest t{pkg.base()};
    void SetUp() override {
        ASSERT_TRUE(t.w().Form_Load());
        show_focused(t.w());
    }
    DropDownCombo* combo(const char* name) { return t.find<DropDownCombo>(name); }
};

TEST_F(RealKeys, DeleteAndBackspaceEditEveryFilteredCombo) {
    const std::pair<const char*, const char*> combos[] = {
        {"CBO_TranDay", "102/05/25"}, {"CBO_TranDay2", "095/03/15"}, {"CBO_Grade", "10"},
        {"CBO_ClsID", "12"},          {"CBO_SeatNo1", "254"},        {"CBO_SeatNo2", "199"}};
    for (const auto& [name, start] : combos) {
        auto* c = combo(name);
        const QString text = QString::fromLatin1(start);
        if (c->findText(text) >= 0) c->setCurrentIndex(c->findText(text));
        c->setEditText(text);
        c->setFocus();
        EXPECT_TRUE(press("Home Delete", [&] { return c->currentText() == text.mid(1); })) << name;
        EXPECT_TRUE(press("End BackSpace", [&] {
            return c->currentText() == text.mid(1).chopped(1);
        })) << name;
    }
    EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();
}

TEST_F(RealKeys, ArrowKeysSwitchWithinEachOptionPairAndRunItsRule) {
    combo("CBO_TranDay")->setCurrentIndex(1);
    t.w().Timer1_Timer();  // the groups of the date, 全部 chosen
    const std::array<const char*, 3> pairs[] = {{"Opt1", "Opt2", "Lst_status"},
                                                {"Opt_group1", "Opt_group2", "Lst_group"},
                                                {"Opt_item1", "Opt_item2", "Lst_item"}};
    for (const auto& [all, part, list_name] : pairs) {
        auto* a = t.find<QRadioButton>(all);
        auto* b = t.find<QRadioButton>(part);
        auto* list = t.find<QListWidget>(list_name);
        a->setFocus();
        EXPECT_TRUE(press("Right", [&] { return b->hasFocus() && b->isChecked(); })) << all;
        EXPECT_FALSE(a->isChecked()) << all;
        EXPECT_TRUE(list->isEnabled()) << list_name;
        EXPECT_TRUE(press("Up", [&] { return a->hasFocus() && a->isChecked(); })) << all;
        EXPECT_FALSE(b->isChecked()) << all;
        EXPECT_FALSE(list->isEnabled()) << list_name;
    }
}

TEST_F(RealKeys, TabPassesTheCoveredGroupCombo) {
    combo("CBO_TranDay")->setFocus();
    QStringList visited{focused()};
    for (int i = 0; i < 40 && (i == 0 || visited.last() != "CBO_TranDay"); ++i) {
        const QString from = focused();
        if (!press("Tab", [&] { return focused() != from; })) break;
        visited << focused();
    }
    const QStringList expected = {
        "CBO_TranDay", "CBO_Grade",  "CBO_ClsID",    "CBO_SeatNo1", "CBO_SeatNo2",  "Txt_StdNo1",
        "Txt_StdNo2",  "Cmd_print",  "Cmd_preprint", "Cmd_exit",    "CBO_TranDay2", "Msk_payday1",
        "Msk_payday2", "CBO_ClsID2", "Chk_4",        "Chk_3",       "Chk_2",        "Chk_1",
        "CBO_paystas", "Opt1",       "Cmd_clear",    "Opt_group2",  "Lst_group",    "Opt_item1",
        "CBO_preway",  "Chk_ALL",    "CBO_TranDay"};
    EXPECT_EQ(visited, expected);
}

TEST_F(RealKeys, SeatListsStartingAt300LoadWithoutAMessage) {
    combo("CBO_Grade")->setEditText("5");
    combo("CBO_ClsID")->setEditText("1");
    for (const char* name : {"CBO_SeatNo1", "CBO_SeatNo2"}) {
        auto* seat = combo(name);
        seat->setFocus();
        EXPECT_TRUE(press("F4", [&] { return seat->count() == 1 && seat->view()->isVisible(); }))
            << name;
        EXPECT_EQ(seat->itemText(0), QStringLiteral("300"));
        EXPECT_EQ(seat->currentText(), QString()) << name;
        EXPECT_TRUE(press("Escape", [&] { return !seat->view()->isVisible(); })) << name;
    }
    EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();
}

TEST(RealKeysRun, EnterWalksToPrintWhoseQuestionAndFailureShowTheNormalPointer) {
    TempPackage pkg;
    install_test_fonts();
    setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
    print::PrintState state;
    bool busy_while_printing = false;
    QueryWindowHooks hooks;  // real message boxes
    hooks.print_report = [&](const std::string& file, int pages) {
        busy_while_printing = QApplication::overrideCursor() != nullptr;
        print::print_report(state, pkg.base().string(), file, to_int16(pages), "A4", 1,
                            print::kLandscape, print::printer_device_factory());
    };
    ZOL5300F1 w(pkg.base().string(), StartArgs{"a/b/c", "a", "b", "c"}, hooks);
    ASSERT_TRUE(w.Form_Load());
    show_focused(w);
    auto* date = w.findChild<DropDownCombo*>("CBO_TranDay");
    date->setFocus();
    ASSERT_TRUE(press("Down", [&] { return date->list_index() == 0; }));
    QStringList walk;
    for (int i = 0; i < 7; ++i) {
        const QString from = focused();
        EXPECT_TRUE(press("Return", [&] { return focused() != from; }));
        walk << focused();
    }
    EXPECT_EQ(walk, QStringList({"CBO_Grade", "CBO_ClsID", "CBO_SeatNo1", "CBO_SeatNo2",
                                 "Txt_StdNo1", "Txt_StdNo2", "Cmd_print"}));

    BoxAnswerer boxes;
    EXPECT_TRUE(press(
        "Return", [&] { return boxes.texts.size() == 2 && !QApplication::activeModalWidget(); }));
    ASSERT_EQ(boxes.texts.size(), 2);
    EXPECT_EQ(boxes.texts[0], u8("你 要 顯 示 全 校 名 冊 嗎?"));  // answered Yes
    EXPECT_TRUE(boxes.texts[1].startsWith(u8("找不到印表機"))) << boxes.texts[1].toStdString();
    EXPECT_EQ(boxes.normal_pointer, QList<bool>({true, true}));
    EXPECT_TRUE(busy_while_printing);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.findChild<QPushButton*>("Cmd_print")->isEnabled());
}

// The newest collection date of a package as the list shows it ("115/02/24").
std::string newest_tranday(const SamplePackage& pkg) {
    const std::string iso =
        run_captured(
            {"sql", pkg.db().string(), "select max(TranDay) from ZOL10_Agency where PayStas = -1"})
            .out;
    return std::to_string(std::stoi(iso.substr(0, 4)) - 1911) + "/" + iso.substr(5, 2) + "/" +
           iso.substr(8, 2);
}

TEST(RealKeysPreview, OpensOnTheWholeScreenWithWholeLinesAndEnterClicksItsButtons) {
    SamplePackage pkg(300, 7);
    ASSERT_EQ(run_zol5300({"report", pkg.base().string(), "--tranday", newest_tranday(pkg)}), 0);
    install_test_fonts();
    print::PrintState state;
    PreviewHost host(state, pkg.base().string());
    host.show_preview("rep_5300.txt", 3, "A4", 1, print::kLandscape);
    PREPRINT& p = *host.window();
    show_focused(p);
    EXPECT_EQ(p.geometry(), p.screen()->availableGeometry());
    EXPECT_EQ(p.size(), QSize(1920, 1080));
    // The band on top, the page text under it and the buttons under the text, all inside.
    QPlainTextEdit* text = p.preprint_text();
    EXPECT_EQ(text->width(), p.width());
    EXPECT_GE(p.cmd_print()->y(), text->geometry().bottom());
    EXPECT_LE(p.cmd_print()->geometry().bottom(), p.height());
    int widest = 0;
    const QStringList lines = text->toPlainText().split('\n');
    for (const QString& line : lines)
        widest = std::max(widest, text->fontMetrics().horizontalAdvance(line));
    EXPECT_LE(widest, text->viewport()->width());
    const int shown = text->viewport()->height() / text->fontMetrics().lineSpacing();
    std::printf("preview %dx%d: %d of %lld page lines shown, widest line %d of %d px\n", p.width(),
                p.height(), shown, static_cast<long long>(lines.size()), widest,
                text->viewport()->width());
    EXPECT_GE(shown, 38);

    p.cmd_nextpage()->setFocus();
    EXPECT_TRUE(press("Return", [&] { return p.lab_nowspage()->text() == "2"; }));
    p.cmd_firstpage()->setFocus();
    EXPECT_TRUE(press("KP_Enter", [&] { return p.lab_nowspage()->text() == "1"; }));
}

// Sends WM_DELETE_WINDOW, as a window manager's close button does.
void close_window(xcb_window_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const auto atom = [c](const char* name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t{XCB_NONE};
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    xcb_disconnect(c);
}

TEST(RealKeysProgram, ClosingTheQueryWindowEndsTheProgramWithThePreviewOpen) {
    SamplePackage pkg(60, 3);
    const auto program = pkg.base() / "exe" / "Zol5300P1";
    std::filesystem::create_directories(program.parent_path());
    std::filesystem::copy_file(std::getenv("ZOL5300P1_BIN"), program);
    QProcess p;
    p.start(QString::fromStdString(program.string()), {"a/b/c"});
    QString query, preview, geometry;
    ASSERT_TRUE(xdo({"search", "--sync", "--name", "^Quorvane\\("}, &query));
    ASSERT_TRUE(xdo({"windowfocus", "--sync", query}));
    // The collection date has the focus at start: pick the newest, then Alt+Z.
    ASSERT_TRUE(xdo({"key", "Down", "alt+z"}));
    ASSERT_TRUE(xdo({"search", "--sync", "--name", "^Quorvane$"}, &preview));
    ASSERT_TRUE(xdo({"getwindowgeometry", "--shell", preview}, &geometry));
    EXPECT_TRUE(geometry.contains("WIDTH=1920\nHEIGHT=1080")) << geometry.toStdString();
    close_window(query.toUInt());
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

}  // namespace
}  // namespace zol::test
