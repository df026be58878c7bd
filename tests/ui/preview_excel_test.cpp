// A merged preview run of one group from the query window (busy pointer and the button disabled
// while it runs; one FF line a page), the preview's Excel button on it: the students of the pages
// in the range boxes, read back with openpyxl against the run's rows; then a direct print of the
// whole school, answered Yes, prints the same report.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "data/translate.h"
#include "query_window_fixture.h"
#include "support/run_capture.h"
#include "support/sample_db.h"
#include "ui/query_window_controls.h"
#include "ui/show_preview.h"

namespace zol::test {
namespace {

TEST(PreviewExcel, WritesTheStudentsOfTheChosenPages) {
    SamplePackage pkg(200, 5);
    print::PrintState state;
    QStringList said;
    QString file;
    PreviewHooks preview_hooks;
    preview_hooks.message = preview_hooks.error = [&](const QString& t) { said << t; };
    preview_hooks.xlsx_file_name = [&] { return file; };
    PreviewHost host(state, pkg.base().string(), preview_hooks);
    QueryWindowHooks hooks;
    XlsxSource run;
    hooks.hand_over_run = [&](const XlsxSource& s) { host.hand_over_run(run = s); };
    QPushButton* preview = nullptr;
    bool busy = false, disabled = false;
    std::pair<std::string, int> printed;
    hooks.show_preview = [&](const std::string& name, int pages) {
        busy = QApplication::overrideCursor() &&
               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        disabled = !preview->isEnabled();
        host.show_preview(name, pages, "A4", 1, print::kLandscape);
    };
    hooks.print_report = [&](const std::string& name, int pages) { printed = {name, pages}; };
    WindowUnderTest t(pkg.base(), StartArgs{"x/y/z", "x", "y", "z"}, hooks);
    ASSERT_TRUE(t.w().Form_Load());
    t.find<DropDownCombo>("CBO_TranDay")->setCurrentIndex(0);
    // Merged for one group: the pages run on over the classes and break inside them.
    t.find<QCheckBox>("Chk_ALL")->setChecked(true);
    t.w().Timer1_Timer();
    t.find<QRadioButton>("Opt_group2")->setChecked(true);
    t.find<QListWidget>("Lst_group")->item(0)->setSelected(true);
    preview = t.find<QPushButton>("Cmd_preprint");
    preview->click();
    PREPRINT* w = host.window();
    ASSERT_NE(w, nullptr);
    ASSERT_GE(state.total_pages, 4);
    EXPECT_TRUE(busy && disabled && preview->isEnabled());
    const std::string bytes = read_file(pkg.rpt() / "rep_5300.TXT");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\f'), state.total_pages);

    const struct {
        const char *from, *to, *name;
        QString message;
    } cases[] = {
        {"2", " 3", "range.xlsx", ""},
        {"9999", "9999", "none.xlsx", u8("選印區間內沒有頁面，不寫 Excel 檔。")},
        {"1", "1", "missing/x.xlsx",
         u8("無法寫入 Excel 檔：%1/missing/x.xlsx（資料夾不存在）").arg(pkg.rpt().c_str())},
    };
    for (const auto& c : cases) {
        said.clear();
        w->txt_pribegin()->setText(c.from);
        w->txt_priend()->setText(c.to);
        file = QString::fromStdString((pkg.rpt() / c.name).string());
        QTest::mouseClick(w->cmd_excel(), Qt::LeftButton);
        EXPECT_EQ(said, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(std::filesystem::exists(file.toStdString()), c.message.isEmpty());
    }
    // The database read in another state since: its rows are not the preview's.
    run.snapshot_id = "another state";
    w->set_source(run);
    said.clear();
    QTest::mouseClick(w->cmd_excel(), Qt::LeftButton);
    EXPECT_EQ(said, QStringList{u8(kMsgChangedSincePreview)});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const RunOutput check =
        xlsx_check({"check", (pkg.rpt() / "range.xlsx").string(), pkg.db().string(),
                    translate_access_sql(t.w().Ado_print().record_source()),
                    translate_access_sql(t.w().Ado_CBO().record_source()),
                    (pkg.rpt() / "rep_5300.TXT").string(), "2", "3"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;

    t.find<QPushButton>("Cmd_print")->click();
    EXPECT_EQ(t.questions.size(), 1);
    EXPECT_EQ(printed, std::pair(std::string("rep_5300.txt"), int{state.total_pages}));
}

}  // namespace
}  // namespace zol::test
