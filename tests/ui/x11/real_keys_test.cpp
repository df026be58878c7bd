// Both windows under real key events: XTest keys through xdotool on the suite's own Xvfb,
// with no window manager, so the X input focus is given to a window directly.
#include <xcb/xcb.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <fstream>
#include <functional>

#include "core/numbers.h"
#include "print/printer_device.h"
#include "print/printm.h"
#include "report/report_reader.h"
#include "support/files.h"
#include "support/report_pages.h"
#include "support/run_capture.h"
#include "support/sample_db.h"
#include "support/x11_keys.h"
#include "ui/page_zoom.h"
#include "ui/preview_find.h"
#include "ui/query_window_controls.h"
#include "ui/query_window_fixture.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

class RealKeys : public ::testing::Test {
  protected:
    // Grade 5 class 1 has one student, in seat 300.
    TempPackage pkg{"insert into ZOL7_Student values (5, 'S005', 5, 1, 300, '甲', 0);"};
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
        c->setCurrentIndex(c->findText(text));  // a list entry where the list has it
        c->setEditText(text);
        c->setFocus();
        EXPECT_TRUE(press("Home Delete", [&] { return c->currentText() == text.mid(1); })) << name;
        EXPECT_TRUE(press("End BackSpace", [&] {
            return c->currentText() == text.mid(1, text.size() - 2);
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
    for (const auto& [all, part, list] : pairs) {
        auto* a = t.find<QRadioButton>(all);
        auto* b = t.find<QRadioButton>(part);
        a->setFocus();
        EXPECT_TRUE(press("Right", [&] { return b->hasFocus() && b->isChecked(); })) << all;
        EXPECT_FALSE(a->isChecked()) << all;
        EXPECT_TRUE(t.find<QListWidget>(list)->isEnabled()) << list;
        EXPECT_TRUE(press("Up", [&] { return a->hasFocus() && a->isChecked(); })) << all;
        EXPECT_FALSE(b->isChecked()) << all;
        EXPECT_FALSE(t.find<QListWidget>(list)->isEnabled()) << list;
    }
}

TEST_F(RealKeys, SeatListsStartingAt300LoadWithoutAMessage) {
    combo("CBO_Grade")->setEditText("5");
    combo("CBO_ClsID")->setEditText("1");
    for (const char* name : {"CBO_SeatNo1", "CBO_SeatNo2"}) {
        auto* seat = combo(name);
        seat->setFocus();
        EXPECT_TRUE(press("F4", [&] { return seat->count() == 1 && seat->view()->isVisible(); }));
        EXPECT_EQ(seat->itemText(0) + seat->currentText(), QStringLiteral("300")) << name;
        EXPECT_TRUE(press("Escape", [&] { return !seat->view()->isVisible(); })) << name;
    }
    EXPECT_TRUE(t.messages.isEmpty()) << t.messages.join('\n').toStdString();
}

TEST(RealKeysRun, EnterWalksToPrintWhoseQuestionAndFailureShowTheNormalPointer) {
    TempPackage pkg;
    install_font_substitutions();
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
    // Tab and Enter both pass the group combo that the item frame covers.
    QStringList walk;
    for (const char* key : {"Tab", "Return", "Return", "Return", "Return", "Return", "Return"}) {
        const QString from = focused();
        EXPECT_TRUE(press(key, [&] { return focused() != from; }));
        walk << focused();
    }
    EXPECT_EQ(walk, QStringList({"CBO_Grade", "CBO_ClsID", "CBO_SeatNo1", "CBO_SeatNo2",
                                 "Txt_StdNo1", "Txt_StdNo2", "Cmd_print"}));

    // Enter on 列印 P: each message box is answered with Enter once it has the focus.
    QStringList texts;
    QList<bool> normal_pointer;
    QPointer<QWidget> answered;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == answered || !box->isVisible() ||
            !xdo({"windowfocus", "--sync", QString::number(box->winId())}))
            return;
        answered = box;
        texts << box->text();
        normal_pointer << (QApplication::overrideCursor() == nullptr);
        xdo({"key", "Return"});
    });
    answer.start(50);
    EXPECT_TRUE(press("Return", [&] { return texts.size() == 2 && !answered; }));
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], u8("你 要 顯 示 全 校 名 冊 嗎?"));  // Yes
    EXPECT_TRUE(texts[1].startsWith(u8("找不到印表機"))) << texts[1].toStdString();
    EXPECT_EQ(normal_pointer, QList<bool>({true, true}));
    EXPECT_TRUE(busy_while_printing);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(w.findChild<QPushButton*>("Cmd_print")->isEnabled());
}

TEST(RealKeysPreview, OpensOnTheWholeScreenAndEnterClicksItsButtons) {
    SamplePackage pkg(300, 7);
    ASSERT_EQ(
        run_captured({"report", pkg.base().string(), "--tranday", newest_tranday(pkg.db())}).code,
        0);
    install_font_substitutions();
    print::PrintState state;
    PreviewHost host(state, pkg.base().string());
    host.show_preview("rep_5300.txt", 3, "A4", 1, print::kLandscape);
    PREPRINT& p = *host.window();
    show_focused(p);
    EXPECT_EQ(p.geometry(), QRect(0, 0, 1920, 1080));
    // Under the band, the page text the whole width; under it the buttons.
    QPlainTextEdit* text = p.preprint_text();
    EXPECT_EQ(text->geometry(), QRect(0, 56, 1920, 1080 - 96));
    EXPECT_EQ(p.cmd_print()->geometry(), QRect(0, 1080 - 33, 89, 25));
    EXPECT_GE(text->viewport()->height() / text->fontMetrics().lineSpacing(), 40);

    p.cmd_nextpage()->setFocus();
    EXPECT_TRUE(press("Return", [&] { return p.lab_nowspage()->text() == "2"; }));
}

// The page text pages as the buttons do, the zoom keys work wherever the focus is, and
// Esc closes the window. Each page is taller than the text area.
TEST(RealKeysPreview, TheTextPagesZoomsAndEscCloses) {
    const TempDir dir{"zol_keys_"};
    std::filesystem::create_directories(dir.path() / "rpt");
    std::string report;
    for (int page = 1; page <= 3; ++page) {
        for (int line = 1; line <= 120; ++line) report += "page " + std::to_string(page) + "\r\n";
        report += "\f21\r\n";
    }
    std::ofstream(dir.path() / "rpt" / "rep_5300.TXT", std::ios::binary) << report;
    install_font_substitutions();
    print::PrintState state;
    QStringList messages;
    PreviewHooks hooks;
    hooks.message = [&](const QString& t) { messages << t; };
    PreviewHost host(state, dir.path().string(), hooks);
    host.show_preview("rep_5300.txt", 3, "A4", 1, print::kLandscape);
    PREPRINT& p = *host.window();
    show_focused(p);
    QScrollBar* bar = p.preprint_text()->verticalScrollBar();
    const auto page = [&] { return p.lab_nowspage()->text(); };
    // PageDown scrolls down the page; at its bottom it turns the page.
    for (int i = 0; i < 10 && bar->value() < bar->maximum(); ++i) {
        const int at = bar->value();
        EXPECT_TRUE(press("Next", [&] { return bar->value() > at; }));
        EXPECT_EQ(page(), "1");
    }
    const struct {
        const char* keys;
        const char* page;
        const char* message;
    } steps[] = {{"Next", "2", ""},
                 {"Prior", "1", ""},
                 {"Prior", "1", "已是第一頁, 無前頁 !"},
                 {"ctrl+End", "3", ""},
                 {"ctrl+Home", "1", ""},
                 {"ctrl+End ctrl+End End Next", "3", "已是最後一頁, 無次頁 !"}};
    for (const auto& s : steps) {
        messages.clear();
        EXPECT_TRUE(press(s.keys, [&] {
            return page() == s.page && messages.join("") == u8(s.message);
        })) << s.keys;
        EXPECT_TRUE(p.preprint_text()->hasFocus()) << s.keys;
    }
    // Zoom: from any control; the choice holds for the next page; Ctrl+0 fits again.
    const double fitted = p.page_zoom()->points();
    p.cmd_firstpage()->setFocus();
    EXPECT_TRUE(press("ctrl+plus", [&] { return p.page_zoom()->points() > fitted; }));
    EXPECT_TRUE(press("ctrl+minus ctrl+minus", [&] { return p.page_zoom()->points() < fitted; }));
    const double chosen = p.page_zoom()->points();
    QTest::mouseClick(p.cmd_firstpage(), Qt::LeftButton);
    EXPECT_EQ(p.page_zoom()->points(), chosen);
    EXPECT_TRUE(press("ctrl+0", [&] { return p.page_zoom()->points() == fitted; }));
    EXPECT_TRUE(press("Escape", [&] { return host.window() == nullptr; }));
}

// Ctrl+F, a typed amount, Enter, F3 and Shift+F3 across pages and past either end, Esc; in
// the report the preview holds while another run puts a new one in its place.
TEST(RealKeysPreview, FindsWithCtrlFAcrossEveryPageAndEscClosesTheField) {
    const TempDir dir;
    fs::create_directories(dir / "rpt");
    write_file(dir / "rpt" / "rep_5300.TXT",
               framed_report({{"  王小明    1,500"}, {"  李大同      900"}, {"", "  陳 1500"}}));
    install_font_substitutions();
    print::PrintState state;
    PreviewHost host(state, dir.path().string());
    host.show_preview("rep_5300.txt", 3, "A4", 1, print::kLandscape);
    PREPRINT& p = *host.window();
    show_focused(p);
    write_file(dir / "new", framed_report({{"other"}}));
    fs::rename(dir / "new", dir / "rpt" / "rep_5300.TXT");
    PreviewFind& find = *p.find_band();
    QLineEdit* field = find.field();
    ASSERT_TRUE(press("ctrl+f", [&] { return field->hasFocus(); }));
    EXPECT_TRUE(field->inputMethodQuery(Qt::ImEnabled).toBool());  // names come by Chewing
    ASSERT_TRUE(xdo({"type", "1500"}) && QTest::qWaitFor([&] { return field->text() == "1500"; }));
    const struct {
        const char* keys;
        const char* page;
        const char* selected;
        const char* status;
    } steps[] = {
        {"Return", "1", "1,500", "第 1 頁第 1 行"},
        {"F3", "3", "1500", "第 3 頁第 2 行"},
        {"Return", "1", "1,500", "已從第一頁重新搜尋"},
        {"shift+F3", "3", "1500", "已從最後一頁重新搜尋"},
        {"shift+Return", "1", "1,500", "第 1 頁第 1 行"},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(press(s.keys,
                          [&] {
                              return !find.searching() && p.lab_nowspage()->text() == s.page &&
                                     p.preprint_text()->textCursor().selectedText() ==
                                         u8(s.selected) &&
                                     find.status()->text() == u8(s.status);
                          }))
            << s.keys << " " << find.status()->text().toStdString();
    }
    EXPECT_TRUE(field->hasFocus());
    ASSERT_TRUE(xdo({"type", "9"}));
    EXPECT_TRUE(press("Return", [&] { return find.status()->text() == u8("找不到「15009」"); }));
    EXPECT_TRUE(press("Escape", [&] { return find.isHidden() && p.preprint_text()->hasFocus(); }));
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
    // The collection date has the focus at start: the newest, then Alt+Z.
    ASSERT_TRUE(xdo({"key", "Down", "alt+z"}));
    ASSERT_TRUE(xdo({"search", "--sync", "--name", "^Quorvane$"}, &preview));
    ASSERT_TRUE(xdo({"getwindowgeometry", "--shell", preview}, &geometry));
    EXPECT_TRUE(geometry.contains("WIDTH=1920\nHEIGHT=1080")) << geometry.toStdString();

    // WM_DELETE_WINDOW to the query window, as a window manager's close button sends it.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const char* names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW"};
    xcb_atom_t atoms[2];
    for (int i = 0; i < 2; ++i) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(names[i]), names[i]),
                                        nullptr);
        atoms[i] = r ? r->atom : XCB_NONE;
        std::free(r);
    }
    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = query.toUInt();
    close.type = atoms[0];
    close.data.data32[0] = atoms[1];
    // Checked, so that the server has taken it before the connection closes.
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_send_event_checked(c, 0, close.window, XCB_EVENT_MASK_NO_EVENT,
                                                    reinterpret_cast<char*>(&close)));
    EXPECT_EQ(error, nullptr);
    std::free(error);
    xcb_disconnect(c);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

}  // namespace
}  // namespace zol::test
