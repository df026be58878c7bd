// A small package with known rows for the query-window tests, and a window on it whose
// message boxes and question are answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QtTest/QTest>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "print/print_fonts.h"
#include "support/sample_db.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"

namespace zol::test {

// A package with a handful of rows whose lists are known (tests/fixtures/packages/window.sql);
// `extra` statements run after them.
class TempPackage : public Package {
  public:
    explicit TempPackage(const std::string& extra = "")
        : Package(Package::Fixture{"packages/window.sql"}) {
        if (!extra.empty()) exec(extra);
    }
};

// A window on a package with every message and question recorded; questions are
// answered with `answer`.
struct WindowUnderTest {
    QStringList messages;
    QStringList questions;
    bool answer = true;
    int quits = 0;
    std::unique_ptr<ZOL5300F1> window;

    explicit WindowUnderTest(const std::filesystem::path& base,
                             StartArgs args = {"a/b/c", "a", "b", "c"},
                             QueryWindowHooks extra = {}) {
        install_font_substitutions();
        QueryWindowHooks hooks = std::move(extra);
        hooks.message = [this](const QString& t) { messages << t; };
        hooks.ask_yes_no = [this](const QString& t) {
            questions << t;
            return answer;
        };
        if (!hooks.quit) hooks.quit = [this] { ++quits; };
        hooks.exit_wait_ms = 50;
        window = std::make_unique<ZOL5300F1>(base.string(), std::move(args), std::move(hooks));
    }

    ZOL5300F1& w() { return *window; }

    template <class T>
    T* find(const char* name) {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        if (!c) throw std::runtime_error(std::string("no control ") + name);
        return c;
    }

    // Shows the window and makes it active, so that focus and keys work as for a user.
    void show() {
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            throw std::runtime_error("window not active");
    }
};

inline QString u8(const char* s) {
    return QString::fromUtf8(s);
}

// The object name of the widget that has the focus; empty when none has.
inline QString focused() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

// Opens a combo's list as the user would (its loader runs first) and closes it again.
inline void drop_down(QComboBox* c) {
    c->showPopup();
    c->hidePopup();
}

// The text of a masked date, combo or line edit of the window.
inline QString text_of(WindowUnderTest& t, const char* field) {
    if (auto* m = qobject_cast<MaskedDateEdit*>(t.find<QWidget>(field))) return m->masked_text();
    if (auto* c = qobject_cast<QComboBox*>(t.find<QWidget>(field))) return c->currentText();
    return t.find<QLineEdit>(field)->text();
}

inline QStringList items_of(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}
inline QStringList items_of(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
    return out;
}

// A window on the fixture package after Form_Load, shown unless `Shown` is false.
template <bool Shown = true>
class LoadedWindow : public ::testing::Test {
  public:
    TempPackage pkg;
    WindowUnderTest t{pkg.base()};
    void SetUp() override {
        ASSERT_TRUE(t.w().Form_Load());
        if (Shown) t.show();
    }
    DropDownCombo* combo(const char* name) { return t.find<DropDownCombo>(name); }
};

}  // namespace zol::test
