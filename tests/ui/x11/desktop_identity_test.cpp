// The program as a desktop meets it, from a package folder whose exe/ holds a copy of it:
// under openbox the window carries the icon built into the program and the class that the
// menu entries name, and 離開 in a folder without a menu program ends it; over AT-SPI a
// screen reader hears every field of the query window by its label.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "support/child_process.h"
#include "support/dbus_session.h"
#include "support/files.h"
#include "support/run_capture.h"
#include "support/sample_db.h"
#include "support/x11_desktop.h"

namespace zol::test {
namespace {

// A package folder with a copy of the window program in exe/ (its icon travels inside it).
struct CopiedProgram {
    Package pkg{Package::Fixture{"packages/window.sql"}};
    fs::path program = pkg.base() / "exe" / "Zol5300P1";
    CopiedProgram() { fs::copy_file(std::getenv("ZOL5300P1_BIN"), program); }
};

// The X window of the query window, once it is mapped; empty when it is not within `seconds`.
std::string query_window_id(int seconds = 30) {
    std::string id;
    try {
        wait_until(
            [&] {
                id = run_program({"xdotool", "search", "--onlyvisible", "--name", "^Quorvane\\("})
                         .out;
                return !id.empty();
            },
            seconds, "");
    } catch (const std::runtime_error&) {
    }
    return id.substr(0, id.find('\n'));
}

TEST(DesktopIdentity, WindowCarriesTheIconAndTheMenuEntrysClassAndLeavesAtOnce) {
    const Desktop openbox(0);
    const CopiedProgram copy;
    const Child window({copy.program.string(), "1/1/1"});
    const std::string id = query_window_id();
    ASSERT_FALSE(id.empty());

    const std::string props = run_program({"xprop", "-id", id, "WM_CLASS", "_NET_WM_ICON"}).out;
    // The dock matches the window's class to StartupWMClass of the menu entries.
    const std::string entry = read_file(fs::path(ZOL_SOURCE_DIR) / "packaging" / "zol5300.desktop");
    ASSERT_NE(entry.find("\nStartupWMClass=zol5300\n"), std::string::npos);
    EXPECT_NE(props.find("WM_CLASS(STRING) = \"Zol5300P1\", \"zol5300\""), std::string::npos)
        << props.substr(0, 300);
    for (const char* size : {"16 x 16", "32 x 32", "64 x 64", "128 x 128"})
        EXPECT_NE(props.find(std::string("Icon (") + size + "):"), std::string::npos) << size;

    // No menu program in the folder: 離開 ends the window at once.
    run_program({"xdotool", "windowactivate", "--sync", id, "key", "--clearmodifiers", "alt+e"});
    EXPECT_NO_THROW(wait_until([] { return query_window_id(0).empty(); }, 5, "window stayed"));
}

TEST(DesktopIdentity, ScreenReaderHearsEveryFieldByItsLabel) {
    const DbusSession bus;
    const Child a11y_bus({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"});
    const CopiedProgram copy;
    ::setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    const Child window({copy.program.string(), "1/1/1"});
    ::unsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    const RunOutput tree = run_program(
        {"/usr/bin/python3", ZOL_SOURCE_DIR "/tests/support/atspi_tree.py", "zol5300", "30"});
    ASSERT_EQ(tree.code, 0) << tree.err;

    // depth, role, name per line; the fields are children of the frame (depth 3).
    std::multimap<std::string, std::string> fields;
    std::istringstream lines(tree.out);
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t'), tab2 = line.find('\t', tab + 1);
        const std::string role = line.substr(tab + 1, tab2 - tab - 1), name = line.substr(tab2 + 1);
        if (line.starts_with("3\t")) fields.emplace(role, name);
        if (role == "combo box" || role == "text" || role == "list" || role == "radio button" ||
            role == "check box" || role == "push button") {
            EXPECT_FALSE(name.empty()) << line;
            EXPECT_NE(name, "程式代號 ZOL5300") << line;
        }
    }
    const std::multimap<std::string, std::string> expected = {
        {"combo box", "收款日期"},
        {"combo box", "收款日期 至"},
        {"text", "實(扣)繳日期"},
        {"text", "實(扣)繳日期 至"},
        {"combo box", "年級別"},
        {"combo box", "班別"},
        {"combo box", "班別 至"},
        {"combo box", "座號"},
        {"combo box", "座號 至"},
        {"text", "學號"},
        {"text", "學號 至"},
        {"combo box", "繳費狀況"},
        {"combo box", "預繳方式"},
        {"list", "所有身分別"},
        {"radio button", "身分別 全部"},
        {"radio button", "選擇部分身分"},
        {"check box", "轉帳"},
        {"check box", "班級合併列印"},
    };
    for (const auto& [role, name] : expected) {
        const auto [from, to] = fields.equal_range(role);
        EXPECT_TRUE(std::any_of(from, to, [&](const auto& f) { return f.second == name; }))
            << role << " " << name;
    }
    EXPECT_EQ(fields.count("radio button"), 2u);  // the other four lie in the two frames
    EXPECT_EQ(fields.count("check box"), 5u);
}

}  // namespace
}  // namespace zol::test
