// Typing as a Taiwanese clerk does, with Chewing switched on through fcitx5 (the suite's own
// X server, D-Bus session and fcitx5; keys from xdotool): the key 1 composes "ㄅ" where names
// are typed, while every field for digits and dates takes the digits, and the run they start
// is the run of those digits.
#include <QInputMethodEvent>
#include <QLineEdit>
#include <fstream>

#include "core/big5.h"
#include "query/filter_snapshot.h"
#include "report/xlsx_run.h"
#include "support/files.h"
#include "support/x11_keys.h"
#include "ui/query_window_controls.h"
#include "ui/query_window_fixture.h"

namespace zol::test {
namespace {

// The composition an input method shows in a field.
class Composition : public QObject {
  public:
    QString shown;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::InputMethod)
            shown = static_cast<QInputMethodEvent*>(e)->preeditString();
        return false;
    }
};

// Chewing on in the window's input context: "1" composes "ㄅ" in `names`. fcitx5 loads
// Chewing a moment after it answers on the bus, so a digit typed before that is cleared
// and the key tried again.
bool chewing_composes(DropDownCombo* names, Composition& composition) {
    names->setFocus();
    for (int attempt = 0; attempt < 20; ++attempt) {
        composition.shown.clear();
        names->setEditText(QString());
        QProcess::execute(QStringLiteral("fcitx5-remote"), {QStringLiteral("-o")});
        if (xdo({"type", "1"}) &&
            QTest::qWaitFor([&] { return composition.shown == u8("ㄅ"); }, 1000))
            return xdo({"key", "Escape"}) &&
                   QTest::qWaitFor([&] { return composition.shown.isEmpty(); }, 2000);
    }
    return false;
}

TEST(Chewing, DigitAndDateFieldsTakeDigitsAndTheRunIsTheirs) {
    TempPackage pkg("update ZOL7_Student set StdNo = '1000' || Stdid;");
    XlsxSource run;
    int pages = 0;
    QueryWindowHooks hooks;
    hooks.hand_over_run = [&](const XlsxSource& s) { run = s; };
    hooks.show_preview = [&](const std::string&, int n) { pages = n; };
    WindowUnderTest t(pkg.base(), {"a/b/c", "a", "b", "c"}, hooks);
    ASSERT_TRUE(t.w().Form_Load());
    show_focused(t.w());
    auto* names = t.find<DropDownCombo>("CBO_preway");
    Composition composition;
    names->installEventFilter(&composition);
    ASSERT_TRUE(chewing_composes(names, composition)) << "Chewing did not compose";

    t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(1);  // 095/03/15
    const struct {
        const char* field;
        const char* digits;
        const char* shown;
    } fields[] = {{"CBO_Grade", "3", "3"},
                  {"CBO_ClsID", "1", "1"},
                  {"CBO_ClsID2", "2", "2"},
                  {"CBO_SeatNo1", "1", "1"},
                  {"CBO_SeatNo2", "5", "5"},
                  {"Txt_StdNo1", "10001", "10001"},
                  {"Txt_StdNo2", "10004", "10004"},
                  {"Msk_payday1", "0950321", "095/03/21"},
                  {"Msk_payday2", "0950326", "095/03/26"}};
    for (const auto& f : fields) {
        auto* field = t.find<QWidget>(f.field);
        field->setFocus();
        Composition seen;
        field->installEventFilter(&seen);
        if (auto* c = qobject_cast<QComboBox*>(field)) c->setEditText(QString());
        ASSERT_TRUE(xdo({"key", "ctrl+a", "BackSpace"}));
        EXPECT_TRUE(xdo({"type", f.digits}) &&
                    QTest::qWaitFor([&] { return text_of(t, f.field) == u8(f.shown); }, 5000))
            << f.field << ": " << text_of(t, f.field).toStdString();
        EXPECT_TRUE(seen.shown.isEmpty()) << f.field;
        field->removeEventFilter(&seen);
    }
    // Chewing is still on where names are typed.
    names->setFocus();
    ASSERT_TRUE(xdo({"type", "1"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return composition.shown == u8("ㄅ"); }, 3000));
    ASSERT_TRUE(xdo({"key", "Escape"}));

    ASSERT_TRUE(xdo({"key", "alt+z"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pages > 0; }, 10000))
        << t.messages.join('\n').toStdString();
    const FilterSnapshot& f = run.filters;
    EXPECT_EQ(std::vector<std::string>({f.CBO_Grade, f.CBO_ClsID, f.CBO_ClsID2, f.CBO_SeatNo1,
                                        f.CBO_SeatNo2, f.Txt_StdNo1, f.Txt_StdNo2, f.Msk_payday1,
                                        f.Msk_payday2}),
              std::vector<std::string>(
                  {"3", "1", "2", "1", "5", "10001", "10004", "095/03/21", "095/03/26"}));
    // Of the two students of class 3-1, only the one paid on 095/03/25 is in the range.
    const std::string report = from_big5(read_file(pkg.base() / "rpt" / "rep_5300.TXT"));
    EXPECT_NE(report.find("李小華"), std::string::npos);
    EXPECT_EQ(report.find("王小明"), std::string::npos);
}

}  // namespace
}  // namespace zol::test
