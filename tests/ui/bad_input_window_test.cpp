// Bad input typed or pasted into every field of the query window: empty, blank,
// over-long, non-numeric, negative, beyond 16 bits, quoted, with "#", outside Big5. Each
// run either writes the report or tells the user one of the window's own messages; the
// window never crashes and a following valid run works.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <fstream>
#include <iterator>

#include "print/pdf_device.h"
#include "print/print_state.h"
#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/preview_window.h"
#include "ui/query_window_controls.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

struct BadForm {
    const char* name;
    QString text;
};

const std::vector<BadForm>& bad_forms() {
    static const std::vector<BadForm> forms = {
        {"empty", QString()},
        {"blank", QStringLiteral("   ")},
        {"over-long digits", QString(10000, QLatin1Char('9'))},
        {"over-long text", QString(10000, QLatin1Char('x'))},
        {"non-numeric", QStringLiteral("abc")},
        {"negative", QStringLiteral("-5")},
        {"beyond 16 bits", QStringLiteral("70000")},
        {"beyond 64 bits", QStringLiteral("-99999999999999999999999")},
        {"quote", QStringLiteral("1'2")},
        {"sql", QStringLiteral("1' or '1'='1'; delete from ZOL8_Payment --")},
        {"hash", QStringLiteral("#01/01/2000#")},
        {"outside Big5", u8("\xF0\x9F\x98\x80\xC3\xA4\xE0\xB8\x81")},
    };
    return forms;
}

// The messages the window has for what a user can type: the check's, the builder's, the
// seat limit, the empty result, and the overflow of a grade read by a list loader.
bool known_message(const QString& m) {
    static const char* const known[] = {
        "收 款 日 期 必 須 輸 入",
        "收款日期(至)必須由清單選取",
        "日期輸入錯誤",
        "年級別輸入錯誤",
        "班別輸入錯誤",
        "座號輸入錯誤",
        "座號必須小於255",
        "查 無 資 料",
    };
    for (const char* k : known) {
        if (m == u8(k)) return true;
    }
    return m.startsWith(u8("溢位"));
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BadInputWindow : public ::testing::Test {
  protected:
    TempPackage pkg;
    std::vector<int> previews;  // page counts handed to the preview
    std::vector<int> prints;
    std::unique_ptr<WindowUnderTest> t;

    void SetUp() override {
        QueryWindowHooks hooks;
        hooks.show_preview = [this](const std::string&, int pages) { previews.push_back(pages); };
        hooks.print_report = [this](const std::string&, int pages) { prints.push_back(pages); };
        t = std::make_unique<WindowUnderTest>(pkg.base(), StartArgs{"a/b/c", "a", "b", "c"},
                                              std::move(hooks));
        ASSERT_TRUE(t->w().Form_Load());
        t->show();
    }

    DropDownCombo* combo(const char* name) { return t->find<DropDownCombo>(name); }
    QPushButton* button(const char* name) { return t->find<QPushButton>(name); }
    std::filesystem::path report() const { return pkg.base() / "rpt" / "rep_5300.TXT"; }

    // 清除 leaves the pay dates and the pre-arranged way as they are; they go back by hand.
    void clear_all() {
        button("Cmd_clear")->click();
        t->find<MaskedDateEdit>("Msk_payday1")->set_masked_text(QString());
        t->find<MaskedDateEdit>("Msk_payday2")->set_masked_text(QString());
        combo("CBO_preway")->setEditText(QString());
    }

    // Back to the start state with the 2006-03-15 collection date chosen, which has rows.
    void reset() {
        clear_all();
        combo("CBO_TranDay")->setCurrentIndex(1);
        t->messages.clear();
        previews.clear();
        prints.clear();
    }

    // The drop-down loaders, the timer and the pay-date proposal: everything that reads a
    // field before a run does.
    void run_field_events() {
        for (const char* name :
             {"CBO_GrpID", "CBO_ClsID", "CBO_ClsID2", "CBO_SeatNo1", "CBO_SeatNo2"}) {
            combo(name)->showPopup();
            combo(name)->hidePopup();
        }
        t->w().Timer1_Timer();
        t->find<MaskedDateEdit>("Msk_payday1")->setFocus();
        QCoreApplication::processEvents();
    }

    // A run ends either in the report handed on or in one known message; the window is
    // left as it was before the run, ready for the next.
    void expect_one_outcome(QPushButton* cmd, const std::vector<int>& handed, int messages_before) {
        const qsizetype told = t->messages.size() - messages_before;
        if (handed.empty()) {
            EXPECT_EQ(told, 1) << t->messages.join(QLatin1Char('|')).toStdString();
        } else {
            EXPECT_EQ(told, 0) << t->messages.join(QLatin1Char('|')).toStdString();
            EXPECT_GE(handed.back(), 1);
        }
        for (const QString& m : t->messages) {
            EXPECT_TRUE(known_message(m)) << "unexpected message: " << m.toStdString();
        }
        EXPECT_TRUE(cmd->isEnabled());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "busy pointer left on";
    }

    // After a bad run the same window runs a valid report.
    void expect_valid_run_works() {
        reset();
        button("Cmd_preprint")->click();
        ASSERT_EQ(previews.size(), 1u) << t->messages.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(t->messages.isEmpty());
        EXPECT_EQ(read_file(report()).substr(0, 1), "\x1c");
    }

    // Puts a text into a field as a paste would, past the key filters.
    void put(const char* field, const QString& text) {
        if (QString(field).startsWith(QLatin1String("CBO_"))) {
            combo(field)->setEditText(text);
        } else {
            t->find<QLineEdit>(field)->setText(text);
        }
    }
};

const char* const kTextFields[] = {
    "CBO_TranDay", "CBO_TranDay2", "Msk_payday1", "Msk_payday2", "CBO_Grade",
    "CBO_ClsID",   "CBO_ClsID2",   "CBO_SeatNo1", "CBO_SeatNo2", "Txt_StdNo1",
    "Txt_StdNo2",  "CBO_preway",   "CBO_paystas",
};

TEST_F(BadInputWindow, PastedTextsInEveryFieldEndInAReportOrAMessage) {
    for (const char* field : kTextFields) {
        for (const BadForm& form : bad_forms()) {
            SCOPED_TRACE(std::string(field) + " " + form.name);
            reset();
            put(field, form.text);
            run_field_events();
            int before = static_cast<int>(t->messages.size());
            // The seat limit may speak while the text is put; that is not the run's.
            button("Cmd_preprint")->click();
            expect_one_outcome(button("Cmd_preprint"), previews, before);

            before = static_cast<int>(t->messages.size());
            button("Cmd_print")->click();  // the whole-school question is answered Yes
            expect_one_outcome(button("Cmd_print"), prints, before);
        }
        expect_valid_run_works();
    }
}

TEST_F(BadInputWindow, SpecifiedMessagesForPastedNumbers) {
    const struct {
        const char* field;
        QString text;
        const char* message;  // nullptr: the report is written
    } cases[] = {
        {"CBO_TranDay", QStringLiteral("abc"), "收 款 日 期 必 須 輸 入"},
        {"CBO_TranDay2", QStringLiteral("#01/01/2000#"), "收款日期(至)必須由清單選取"},
        {"CBO_Grade", QStringLiteral("70000"), "年級別輸入錯誤"},
        {"CBO_Grade", QStringLiteral("-5"), "查 無 資 料"},
        {"CBO_Grade", QStringLiteral("   "), nullptr},  // trimmed to empty: no condition
        {"CBO_ClsID", QString(10000, QLatin1Char('9')), "班別輸入錯誤"},
        {"CBO_ClsID2", QStringLiteral("-5"), "查 無 資 料"},
        {"Txt_StdNo1", QStringLiteral("'"), nullptr},  // a quote sorts before the digits
        {"Txt_StdNo2", QStringLiteral("' or '1'='1"), "查 無 資 料"},
        {"CBO_preway", QStringLiteral("'; drop table ZOL8_Payment"), nullptr},
        {"CBO_paystas", u8("\xF0\x9F\x98\x80"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text.left(20).toStdString());
        reset();
        put(c.field, c.text);
        button("Cmd_preprint")->click();
        if (c.message) {
            ASSERT_EQ(t->messages.size(), 1);
            EXPECT_EQ(t->messages[0], u8(c.message));
            EXPECT_TRUE(previews.empty());
        } else {
            EXPECT_TRUE(t->messages.isEmpty()) << t->messages.join(QLatin1Char('|')).toStdString();
            EXPECT_EQ(previews.size(), 1u);
        }
    }
    // The seat boxes cut a number of 255 or more as soon as it is put.
    reset();
    put("CBO_SeatNo1", QString(10000, QLatin1Char('9')));
    ASSERT_EQ(t->messages.size(), 1);
    EXPECT_EQ(t->messages[0], u8("座號必須小於255"));
    EXPECT_EQ(combo("CBO_SeatNo1")->currentText(), QStringLiteral("99"));
    expect_valid_run_works();
}

// The text a filtered field may hold after any typing.
bool allowed_text(const QString& field, const QString& text) {
    static const QRegularExpression grade(QStringLiteral("^[1-9]?$"));
    static const QRegularExpression cls(QStringLiteral("^[0-9]{0,2}$"));
    static const QRegularExpression seat(QStringLiteral("^[0-9]{0,3}$"));
    static const QRegularExpression mask(QStringLiteral("^[0-9_]{3}/[0-9_]{2}/[0-9_]{2}$"));
    if (field == QLatin1String("CBO_Grade")) return grade.match(text).hasMatch();
    if (field == QLatin1String("CBO_ClsID")) return cls.match(text).hasMatch();
    if (field.startsWith(QLatin1String("CBO_SeatNo")))
        return seat.match(text).hasMatch() && text.toInt() < 255;
    if (field.startsWith(QLatin1String("Msk_"))) return mask.match(text).hasMatch();
    if (field.startsWith(QLatin1String("Txt_StdNo"))) return text.size() <= 10;
    if (field.startsWith(QLatin1String("CBO_TranDay"))) return text.isEmpty();
    return true;
}

// Presses a key for each character, with the character as the key's text, as a keyboard
// or an input method delivers it (QTest's own mapping knows only part of ASCII).
void type_text(QWidget* w, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        const int key = (c >= 0x20 && c < 0x7F) ? static_cast<int>(one.toUpper().at(0).unicode())
                                                : static_cast<int>(Qt::Key_unknown);
        QTest::sendKeyEvent(QTest::Press, w, static_cast<Qt::Key>(key), one, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w, static_cast<Qt::Key>(key), one, Qt::NoModifier);
    }
}

QString field_text(WindowUnderTest& t, const char* field) {
    if (QString(field).startsWith(QLatin1String("CBO_")))
        return t.find<DropDownCombo>(field)->currentText();
    if (QString(field).startsWith(QLatin1String("Msk_")))
        return t.find<MaskedDateEdit>(field)->masked_text();
    return t.find<QLineEdit>(field)->text();
}

TEST_F(BadInputWindow, TypedKeysPassOnlyWhatEachFieldTakes) {
    for (const char* field : kTextFields) {
        for (const BadForm& form : bad_forms()) {
            // Ten thousand key presses in every field would only repeat the first hundred.
            const QString typed = form.text.left(
                field == std::string("Txt_StdNo1") || field == std::string("CBO_Grade") ? 10000
                                                                                        : 100);
            SCOPED_TRACE(std::string(field) + " " + form.name);
            clear_all();
            t->messages.clear();
            previews.clear();
            QWidget* w = t->find<QWidget>(field);
            w->setFocus();
            type_text(w, typed);
            const QString text = field_text(*t, field);
            EXPECT_TRUE(allowed_text(QString::fromLatin1(field), text))
                << "holds: " << text.left(40).toStdString();
            for (const QString& m : t->messages) EXPECT_TRUE(known_message(m)) << m.toStdString();

            if (std::string(field) != "CBO_TranDay") combo("CBO_TranDay")->setCurrentIndex(1);
            const int before = static_cast<int>(t->messages.size());
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            QTest::keyClick(focused, Qt::Key_Z, Qt::AltModifier);  // 預覽列印
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            expect_one_outcome(button("Cmd_preprint"), previews, before);
        }
    }
    expect_valid_run_works();
}

// The preview's range boxes given every bad form, then 列印 and PDF: a range that does not
// fit a page number is told, any other prints what it covers; the preview keeps working.
TEST_F(BadInputWindow, PreviewRangeBoxesTakeEveryBadForm) {
    print::PrintState state;
    QStringList told;
    int printer_runs = 0;
    const std::filesystem::path out = pkg.base() / "out.pdf";
    PreviewHooks hooks;
    hooks.message = [&](const QString& m) { told << m; };
    hooks.error = [&](const QString& m) { told << m; };
    hooks.pdf_file_name = [&] { return QString::fromStdString(out.string()); };
    hooks.printer = [&]() -> std::unique_ptr<print::PrintDevice> {
        ++printer_runs;
        return std::make_unique<print::PdfDevice>(QString::fromStdString(out.string()));
    };
    PreviewHost host(state, pkg.base().string(), hooks);
    reset();
    button("Cmd_preprint")->click();
    ASSERT_EQ(previews.size(), 1u);
    host.show_preview("rep_5300.txt", previews[0], "A4", 1, 2);
    PREPRINT* w = host.window();
    ASSERT_NE(w, nullptr);

    const QString too_wide = u8("選印區間的頁數須在 -32768 到 32767 之間 !");
    const QString no_pages = u8("選印區間內沒有頁面，不寫 PDF 檔。");
    int refusals = 0;
    for (QLineEdit* box : {w->txt_pribegin(), w->txt_priend()}) {
        for (const BadForm& form : bad_forms()) {
            for (const bool typed : {false, true}) {
                SCOPED_TRACE(box->objectName().toStdString() + " " + form.name +
                             (typed ? " typed" : " pasted"));
                w->txt_pribegin()->setText(QStringLiteral("1"));
                w->txt_priend()->setText(QStringLiteral("1"));
                if (typed) {
                    box->clear();
                    box->setFocus();
                    type_text(box, form.text.left(200));
                } else {
                    box->setText(form.text);
                }
                told.clear();
                w->CMD_PRINT_Click();
                w->CMD_PDF_Click();
                for (const QString& m : told) {
                    EXPECT_TRUE(m == too_wide || m == no_pages) << m.toStdString();
                    refusals += m == too_wide ? 1 : 0;
                }
            }
        }
    }
    // 70000 and the long digits, in both boxes, pasted, by 列印 and by PDF; typed keys
    // may be filtered by the box.
    EXPECT_GE(refusals, 2 * 2 * 2);
    // Still a working preview: a valid range prints, paging goes on.
    told.clear();
    std::filesystem::remove(out);
    w->txt_pribegin()->setText(QStringLiteral("1"));
    w->txt_priend()->setText(QString::number(previews[0]));
    w->CMD_PDF_Click();
    EXPECT_TRUE(told.isEmpty()) << told.join(QLatin1Char('|')).toStdString();
    EXPECT_GT(std::filesystem::file_size(out), 1000u);
    w->CMD_LASTPAGE_Click();
    EXPECT_EQ(w->lab_nowspage()->text(), QString::number(previews[0]));
    EXPECT_GT(printer_runs, 0);
}

}  // namespace
}  // namespace zol::test
