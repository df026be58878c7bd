// The commands: the filter check with its messages and focus, a run that writes the
// report, the empty result, database errors during a run, Clear, and the exit to the
// menu program.
#include <sys/stat.h>

#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>
#include <functional>

#include "query_window_fixture.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window_controls.h"

namespace zol::test {
namespace {

class Commands : public LoadedWindow<> {
  public:
    void preview() { t.find<QPushButton>("Cmd_preprint")->click(); }
    void print() { t.find<QPushButton>("Cmd_print")->click(); }
};

// Each failed check tells its message and leaves the focus on the field to correct; the
// window stays usable and nothing is run.
TEST_F(Commands, FocusAfterEachFailedCheck) {
    using Setup = std::function<void(Commands&)>;
    const struct {
        const char* name;
        Setup setup;
        const char* message;
        const char* focus;
    } cases[] = {
        {"nothing chosen", [](Commands&) {}, "收 款 日 期 必 須 輸 入", "CBO_TranDay"},
        {"to-date shortened by hand",
         [](Commands& c) { c.combo("CBO_TranDay2")->setEditText("095/03/1"); },
         "收款日期(至)必須由清單選取", "CBO_TranDay2"},
        {"no 30 February",
         [](Commands& c) { c.t.find<MaskedDateEdit>("Msk_payday1")->set_masked_text("102/02/30"); },
         "日期輸入錯誤", "Msk_payday1"},
        {"partly typed to-date",
         [](Commands& c) { c.t.find<MaskedDateEdit>("Msk_payday2")->set_masked_text("10_/__/__"); },
         "日期輸入錯誤", "Msk_payday2"},
        {"merged without one group",
         [](Commands& c) {
             c.t.find<QCheckBox>("Chk_ALL")->setChecked(true);
             c.t.w().Timer1_Timer();  // groups of the date: several, none selected
         },
         "採用班級合併列印,必須限定繳費群組,請選取繳費群組", "Lst_group"},
        {"grade beyond 16 bits", [](Commands& c) { c.combo("CBO_Grade")->setEditText("70000"); },
         "年級別輸入錯誤", "CBO_Grade"},
        {"class beyond any number", [](Commands& c) { c.combo("CBO_ClsID")->setEditText("1e999"); },
         "班別輸入錯誤", "CBO_ClsID"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        t.find<QPushButton>("Cmd_clear")->click();
        for (const char* m : {"Msk_payday1", "Msk_payday2"})
            t.find<MaskedDateEdit>(m)->set_masked_text(QString());
        t.find<QCheckBox>("Chk_ALL")->setChecked(false);
        if (std::string(c.name) != "nothing chosen") combo("CBO_TranDay")->setCurrentIndex(1);
        c.setup(*this);
        t.find<QPushButton>("Cmd_clear")->setFocus();
        t.messages.clear();
        preview();
        ASSERT_EQ(t.messages.size(), 1);
        EXPECT_EQ(t.messages[0], u8(c.message));
        EXPECT_EQ(focused(), QString::fromLatin1(c.focus));
        EXPECT_EQ(t.w().Ado_print().record_source(), "");
        EXPECT_TRUE(t.find<QPushButton>("Cmd_preprint")->isEnabled());
    }
    EXPECT_TRUE(t.find<QRadioButton>("Opt_group2")->isChecked());
}

TEST_F(Commands, DirectPrintWithoutStudentFiltersAsksAboutTheWholeSchool) {
    combo("CBO_TranDay")->setCurrentIndex(1);
    combo("CBO_ClsID")->setEditText("   ");  // blanks only: trimmed away, counts as empty
    t.answer = false;
    print();
    ASSERT_EQ(t.questions.size(), 1);
    EXPECT_EQ(t.questions[0], u8("你 要 顯 示 全 校 名 冊 嗎?"));
    EXPECT_EQ(combo("CBO_ClsID")->currentText(), QString());
    EXPECT_EQ(t.w().Ado_print().record_source(), "");  // No: nothing run
    EXPECT_TRUE(t.messages.isEmpty());

    combo("CBO_Grade")->setEditText(" 3 ");
    print();
    EXPECT_EQ(t.questions.size(), 1);  // a student filter: no question
    EXPECT_EQ(combo("CBO_Grade")->currentText(), QStringLiteral("3"));
}

TEST_F(Commands, EmptyResultSaysSoAndWritesNoReport) {
    combo("CBO_TranDay")->setCurrentIndex(1);
    combo("CBO_Grade")->setCurrentIndex(14);  // 幼大: nobody
    preview();
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_EQ(t.messages[0], u8("查 無 資 料"));
    EXPECT_NE(t.w().Ado_print().record_source().find(" and A.Grade = 15"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(pkg.base() / "rpt" / "rep_5300.TXT"));
    EXPECT_TRUE(t.find<QPushButton>("Cmd_preprint")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Commands, ClearRestoresTheFiltersAndKeepsTheRest) {
    combo("CBO_TranDay")->setCurrentIndex(1);
    combo("CBO_Grade")->setEditText("3");
    t.find<QLineEdit>("Txt_StdNo1")->setText("S1");
    combo("CBO_paystas")->setCurrentIndex(1);
    combo("CBO_preway")->setCurrentIndex(0);
    t.find<MaskedDateEdit>("Msk_payday1")->set_masked_text("095/03/20");
    t.find<QCheckBox>("Chk_ALL")->setChecked(true);
    t.find<QCheckBox>("Chk_2")->setChecked(false);
    QTest::mouseClick(t.find<QRadioButton>("Opt2"), Qt::LeftButton);
    auto* status = t.find<QListWidget>("Lst_status");
    status->item(0)->setSelected(false);

    t.find<QPushButton>("Cmd_clear")->click();
    // Cleared, or left as they were.
    const std::pair<const char*, const char*> fields[] = {
        {"CBO_TranDay", ""}, {"CBO_Grade", ""},      {"Txt_StdNo1", ""},
        {"CBO_paystas", ""}, {"CBO_preway", "轉帳"}, {"Msk_payday1", "095/03/20"}};
    for (const auto& [field, text] : fields) EXPECT_EQ(text_of(t, field), u8(text)) << field;
    EXPECT_EQ(combo("CBO_TranDay")->count(), 2);  // the dates stay to choose from
    EXPECT_EQ(status->selectedItems().size(), status->count());
    EXPECT_TRUE(t.find<QCheckBox>("Chk_2")->isChecked() &&
                t.find<QCheckBox>("Chk_ALL")->isChecked() &&
                t.find<QRadioButton>("Opt1")->isChecked() && !status->isEnabled());
    EXPECT_EQ(t.w().Ado_CBO().record_source(), "select * from ZOL3_Status");
}

TEST(CommandRun, DatabaseErrorDuringARunIsShownAndTheWindowStaysUsable) {
    TempPackage pkg("drop table ZOL15_Grade;");
    WindowUnderTest t(pkg.base());
    ASSERT_TRUE(t.w().Form_Load());
    t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(1);
    t.find<QPushButton>("Cmd_preprint")->click();
    ASSERT_EQ(t.messages.size(), 1);
    EXPECT_TRUE(t.messages[0].contains(QStringLiteral("ZOL15_Grade"), Qt::CaseInsensitive))
        << t.messages[0].toStdString();
    EXPECT_TRUE(t.find<QPushButton>("Cmd_preprint")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    t.find<QPushButton>("Cmd_clear")->click();  // still answers
    EXPECT_EQ(t.messages.size(), 1);
}

// A stand-in menu program that writes its arguments to a file beside it.
void write_menu_stand_in(const std::filesystem::path& program) {
    std::filesystem::create_directories(program.parent_path());
    std::ofstream(program)
        << "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/menu-args.txt\"\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
}

std::string wait_for_file(const std::filesystem::path& file) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        std::ifstream in(file);
        std::string text;
        if (in && std::getline(in, text) && !text.empty()) return text;
        QTest::qWait(20);
    }
    return {};
}

// Leaving always leaves. A folder without a menu program ends at once and says nothing; a
// menu program (its names in any case) is started with the first three arguments and the
// window ends after a wait in which events still run; one that cannot be started is told,
// and the window ends all the same.
TEST(CommandExit, AltELeavesWithOrWithoutAMenuProgram) {
    const struct {
        const char* name;
        const char* program;  // under BASE, or none
        bool runs;
        int messages;
        const char* said = "無法啟動選單程式 ";
        mode_t folder_mode = 0;  // of the program's folder, when set
    } cases[] = {
        {"no menu program", nullptr, false, 0},
        {"menu program", "EXE/zol0000p1.EXE", true, 0},
        {"menu program that cannot run", "exe/Zol0000P1", false, 1},
        // Another clerk could have put it there: it would run as this user.
        {"menu program in a folder others may change", "exe/Zol0000P1", false, 1, "不執行選單程式 ",
         0777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempPackage pkg;
        WindowUnderTest t(pkg.base(), StartArgs{"m/n/o/p", "m", "n", "o"});
        ASSERT_TRUE(t.w().Form_Load());
        t.show();
        if (c.program) {
            std::filesystem::remove_all(pkg.base() / "exe");
            write_menu_stand_in(pkg.base() / c.program);
            if (!c.runs && c.folder_mode == 0)
                std::filesystem::permissions(pkg.base() / c.program,
                                             std::filesystem::perms::owner_read);
            if (c.folder_mode != 0) ::chmod((pkg.base() / "exe").c_str(), c.folder_mode);
        }
        int quits_during_wait = -1;
        QTimer during_wait;
        during_wait.setSingleShot(true);
        QObject::connect(&during_wait, &QTimer::timeout, [&] { quits_during_wait = t.quits; });
        during_wait.start(10);
        QTest::keyClick(t.find<DropDownCombo>("CBO_TranDay"), Qt::Key_E, Qt::AltModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(t.quits, 1);
        ASSERT_EQ(t.messages.size(), c.messages);
        if (c.messages > 0) {
            EXPECT_TRUE(t.messages[0].startsWith(
                QString::fromStdString(c.said + (pkg.base() / c.program).string())))
                << t.messages[0].toStdString();
        }
        if (c.runs) {
            EXPECT_EQ(quits_during_wait, 0);
            EXPECT_EQ(wait_for_file(pkg.base() / "EXE" / "menu-args.txt"), "m/n/o|");
        }
    }
}

TEST(ProgramStart, EmptyCommandLineEndsAtOnceWithoutAWindow) {
    const QString bin =
        qEnvironmentVariable("ZOL5300P1_BIN", QStringLiteral(ZOL_BINARY_DIR "/Zol5300P1"));
    QProcess p;
    p.start(bin, {});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

}  // namespace
}  // namespace zol::test
