// Start-up and the four commands of the query window: clear, preview, print and exit.
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <initializer_list>
#include <vector>

#include "core/package_path.h"
#include "core/trusted_path.h"
#include "data/db_error.h"
#include "query/filter_snapshot.h"
#include "report/report_file.h"
#include "report/report_run.h"
#include "report/xlsx_run.h"
#include "ui/program_identity.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"
#include "ui/run_progress.h"

namespace zol {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The busy pointer for the whole screen while a run lasts, restored however it ends.
class BusyPointer {
  public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// While a run lasts the lists stay as they are (Ado_CBO serves the run) and both data
// controls report to the run's progress; afterwards all is as before.
class RunScope {
  public:
    RunScope(QTimer& timer, std::initializer_list<DataControl*> controls, const ProgressFn& fn)
        : timer_(timer), was_active_(timer.isActive()), controls_(controls) {
        timer_.stop();
        for (DataControl* c : controls_) c->set_options({true, fn, {}});
    }
    ~RunScope() {
        for (DataControl* c : controls_) c->set_options({});
        if (was_active_) timer_.start();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    QTimer& timer_;
    bool was_active_;
    std::vector<DataControl*> controls_;
};

// Tells whoever asked that a run is in progress, for as long as it lasts.
class RunFlag {
  public:
    explicit RunFlag(std::function<void(bool)> tell) : tell_(std::move(tell)) {
        if (tell_) tell_(true);
    }
    ~RunFlag() {
        if (tell_) tell_(false);
    }
    RunFlag(const RunFlag&) = delete;
    RunFlag& operator=(const RunFlag&) = delete;

  private:
    std::function<void(bool)> tell_;
};

}  // namespace

std::string ZOL5300F1::connection_string() const {
    return package_connection_string(base_path_);
}

bool ZOL5300F1::Form_Load() {
    setWindowTitle(q(std::string(kCaption) + "(" + base_path_ + ")"));
    Ado_CBO_.set_connection_string(connection_string());
    Ado_print_.set_connection_string(connection_string());
    Ado_CBO_.share_reads_with(Ado_print_);
    try {
        Clear_Text();
        insert_CBO_TranDay();
        insert_CBO_grade();
        insert_item();
    } catch (const DbError& e) {
        tell(QString::fromUtf8("無法讀取資料庫 %1\n%2")
                 .arg(q(e.path().empty() ? data_source_of(connection_string()) : e.path()),
                      q(e.engine_message())));
        return false;
    } catch (const std::exception& e) {
        tell(QString::fromUtf8("無法讀取資料庫 %1\n%2")
                 .arg(q(data_source_of(connection_string())), q(e.what())));
        return false;
    }
    CBO_preway->empty_list();
    for (const char* s : kPrewayItems) CBO_preway->add_entry(QString::fromUtf8(s));
    Timer1_->start();
    return true;
}

void ZOL5300F1::tell(const QString& text) {
    hooks_.message(text);
}
void ZOL5300F1::tell(const std::string& text) {
    hooks_.message(q(text));
}

void ZOL5300F1::guarded(const std::function<void()>& load) {
    try {
        load();
    } catch (const DbError& e) {
        tell(e.engine_message().empty() ? std::string(e.what()) : e.engine_message());
    } catch (const std::exception& e) {
        tell(std::string(e.what()));
    }
}

void ZOL5300F1::select_data() {
    if (!Check_Text()) return;
    const FilterSnapshot filters = snapshot();
    const QueryDates dates{date_from_, date_to_, payday_from_, payday_to_};
    RunResult r;
    {
        const RunFlag flag(hooks_.run_in_progress);
        RunProgress progress(this);
        RunScope scope(*Timer1_, {&Ado_print_, &Ado_CBO_}, progress.listener());
        try {
            r = zol::select_data(RunRequest{filters, dates, base_path_, today()}, Ado_print_,
                                 Ado_CBO_, progress.listener());
        } catch (const RunCancelled&) {
            return;  // the user's own choice: nothing to tell, the old report stays
        }
    }
    if (r.outcome != RunOutcome::Written) {
        tell(r.message);
        if (QWidget* w = control_for_focus(static_cast<int>(r.focus))) w->setFocus();
        return;
    }
    if (preview_mode_ && hooks_.hand_over_run)
        hooks_.hand_over_run({filters, dates, base_path_, r.report, Ado_print_.snapshot_id()});
    const auto& show = preview_mode_ ? hooks_.show_preview : hooks_.print_report;
    if (show) show(std::string(kHandOverFileName), r.pages);
}

void ZOL5300F1::run_report(QPushButton* button, bool preview) {
    preview_mode_ = preview;
    BusyPointer busy;
    button->setEnabled(false);
    guarded([this] { select_data(); });
    button->setEnabled(true);
}

void ZOL5300F1::Cmd_clear_Click() {
    guarded([this] { Clear_Text(); });
}

void ZOL5300F1::Cmd_preprint_Click() {
    run_report(Cmd_preprint, true);
}

void ZOL5300F1::Cmd_print_Click() {
    run_report(Cmd_print, false);
}

void ZOL5300F1::Cmd_exit_Click() {
    call_exe("Zol0000P1");
}

void ZOL5300F1::call_exe(const std::string& prog_name) {
    if (exiting_) return;  // already on the way out
    exiting_ = true;
    // The clerk asked to leave: the window ends whatever becomes of the menu program. A
    // folder without one (as "zol5300 setup" makes it) ends at once, with nothing to tell.
    const std::string program_text = base_path_ + "\\exe\\" + prog_name + ".exe";
    std::filesystem::path program = resolve_package_path(program_text);
    if (!std::filesystem::exists(program)) {
        // A Linux build of the menu program has no ".exe" ending.
        program = resolve_package_path(base_path_ + "\\exe\\" + prog_name);
    }
    // In a folder several clerks share, a menu program that another account could have put
    // there would run as this user: it is not started, and the window ends all the same.
    const std::string untrusted =
        std::filesystem::exists(program) ? untrusted_program(program) : std::string();
    if (!untrusted.empty()) {
        tell(QString::fromUtf8("不執行選單程式 %1（%2）\n程式將結束。")
                 .arg(q(program.string()), q(untrusted)));
    } else if (std::filesystem::exists(program)) {
        QProcess process;
        process.setProgram(QString::fromStdString(program.string()));
        process.setArguments({q(joined_args(args_))});
        if (process.startDetached()) {
            // The wait keeps the window answering its events while the menu comes up.
            QEventLoop wait;
            QTimer::singleShot(std::max(0, hooks_.exit_wait_ms), &wait, &QEventLoop::quit);
            wait.exec();
        } else {
            QString why = process.errorString();
            // Qt names the failing call first ("execv: Permission denied").
            if (const int colon = why.indexOf(QLatin1String(": "));
                colon > 0 && !why.left(colon).contains(' ')) {
                why = why.mid(colon + 2);
            }
            tell(QString::fromUtf8("無法啟動選單程式 %1\n%2\n程式將結束。")
                     .arg(q(program.string()), why));
        }
    }
    if (hooks_.quit) {
        hooks_.quit();
    } else {
        close();
        QCoreApplication::quit();
    }
}

}  // namespace zol
