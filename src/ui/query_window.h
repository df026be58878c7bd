// The query window ZOL5300F1: the filters of one payment-detail report, the pick lists
// behind them, the commands that run the report, and the return to the menu program.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/data_control.h"
#include "data/result_set.h"
#include "query/list_queries.h"
#include "ui/message_box.h"
#include "ui/query_window_args.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zol {

class DropDownCombo;
class OptionButton;
class MaskedDateEdit;
class DesignLayout;
struct FilterSnapshot;
struct XlsxSource;

// What the window asks of its surroundings; tests replace these to answer message boxes,
// shorten the exit wait and keep the test process alive.
struct QueryWindowHooks {
    MessageFn message;      // default: show_message
    QuestionFn ask_yes_no;  // default: ask_yes_no
    // Opens the preview on a written report (file name as given to the paging module,
    // page count). Without one the run ends once the report is written.
    std::function<void(const std::string& file_name, int pages)> show_preview;
    // Prints a written report at once. Without one the run ends once the report is written.
    std::function<void(const std::string& file_name, int pages)> print_report;
    // Before the preview opens: what the run was made from, so that the preview can write
    // the same rows as a workbook.
    std::function<void(const XlsxSource&)> hand_over_run;
    // A run starts (true) or ends (false): the open preview's report is being replaced.
    std::function<void(bool running)> run_in_progress;
    int exit_wait_ms = 2000;
    // Ends the program after the exit wait; default: close the window and quit.
    std::function<void()> quit;
};

class ZOL5300F1 : public QWidget {
    Q_OBJECT
  public:
    ZOL5300F1(std::string base_path, StartArgs args, QueryWindowHooks hooks = {},
              QWidget* parent = nullptr);
    ~ZOL5300F1() override;

    // Start-up after the command line was read: caption, connection, Clear_Text and the
    // start-time loaders. False when the database could not be read; the user has then
    // been told which file, and the program should end.
    bool Form_Load();

    const std::string& base_path() const { return base_path_; }
    const StartArgs& start_args() const { return args_; }
    // The connection text both data controls receive.
    std::string connection_string() const;
    const DataControl& Ado_CBO() const { return Ado_CBO_; }
    const DataControl& Ado_print() const { return Ado_print_; }

    bool preview_mode() const { return preview_mode_; }
    const std::vector<std::string>& tranday_values() const { return tranday_values_; }
    const std::vector<std::string>& group_ids() const { return group_ids_; }
    const std::vector<std::string>& item_ids() const { return item_ids_; }
    const std::vector<std::string>& status_codes() const { return status_codes_; }
    int status_count() const { return static_cast<int>(status_codes_.size()); }
    const std::string& list_sql() const { return list_sql_; }
    const std::string& date_from() const { return date_from_; }
    const std::string& date_to() const { return date_to_; }
    const std::string& payday_from() const { return payday_from_; }
    const std::string& payday_to() const { return payday_to_; }
    QTimer* Timer1() const { return Timer1_; }
    // The factor by which the whole layout is scaled down to fit the screen; 1 when the
    // window fits as built.
    double layout_scale() const { return scale_; }

    // Routines of the window, callable as the events would call them.
    void Clear_Text();
    void insert_CBO_TranDay();
    void insert_CBO();
    void insert_CBO_grade();
    void insert_CBO_ClsID();
    void insert_CBO_ClsID2();
    void insert_CBO_SeatNo1();
    void insert_CBO_SeatNo2();
    void insert_group();
    void insert_item();
    void insert_Payday();
    void Timer1_Timer();
    bool Check_Text();
    void select_data();
    void call_exe(const std::string& prog_name);

    void Cmd_clear_Click();
    void Cmd_preprint_Click();
    void Cmd_print_Click();
    void Cmd_exit_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void build_controls();
    void build_labels();
    // Names for assistive technology and tooltips.
    void describe_controls();
    void set_tab_order();
    void connect_events();
    void install_key_preview();
    // Scales the layout to the work area of the window's screen, its frame included.
    void fit_to_screen();

    // Runs one list statement on Ado_CBO and hands back a copy of its rows, so that a
    // loader that lets events run while it fills its list is not disturbed by another
    // loader reusing Ado_CBO meanwhile.
    ResultSet run_list(const std::string& sql);
    // Rebuilds a combo's list from field `field` of the rows of `sql`'s statement; no
    // statement (nullopt) leaves the list empty.
    void fill_combo(DropDownCombo* combo, const std::function<std::optional<std::string>()>& sql,
                    int field);
    // Runs `load`; a database error is shown with the engine's text and the window stays.
    void guarded(const std::function<void()>& load);
    void tell(const QString& text);
    void tell(const std::string& text);

    bool Form_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool field_key_press(QObject* field, QKeyEvent* key);
    void queue_tab();
    void seat_limit(DropDownCombo* combo);
    void payday_proposal();

    FilterSnapshot snapshot() const;
    void write_back(const FilterSnapshot& f);
    QWidget* control_for_focus(int focus) const;
    void run_report(QPushButton* button, bool preview);

    std::string base_path_;
    StartArgs args_;
    QueryWindowHooks hooks_;

    DataControl Ado_CBO_;
    DataControl Ado_print_;

    bool preview_mode_ = false;
    std::vector<std::string> tranday_values_;
    std::vector<std::string> group_ids_;
    std::vector<std::string> item_ids_;
    std::vector<std::string> status_codes_;
    std::string list_sql_;
    std::string last_tranday_text_;
    std::string last_tranday2_text_;
    std::string date_from_, date_to_, payday_from_, payday_to_;
    // Raised by each fill of a list that lets events run; a fill that finds the number
    // changed after letting events run was overtaken by a newer fill and stops.
    unsigned status_fill_ = 0, group_fill_ = 0, item_fill_ = 0;
    bool exiting_ = false;
    std::unique_ptr<DesignLayout> design_;
    double scale_ = 1.0;

    QGroupBox* fra_00 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    DropDownCombo* CBO_TranDay = nullptr;
    DropDownCombo* CBO_TranDay2 = nullptr;
    DropDownCombo* CBO_GrpID = nullptr;
    DropDownCombo* CBO_Grade = nullptr;
    DropDownCombo* CBO_ClsID = nullptr;
    DropDownCombo* CBO_ClsID2 = nullptr;
    DropDownCombo* CBO_SeatNo1 = nullptr;
    DropDownCombo* CBO_SeatNo2 = nullptr;
    DropDownCombo* CBO_paystas = nullptr;
    DropDownCombo* CBO_preway = nullptr;
    QLineEdit* Txt_StdNo1 = nullptr;
    QLineEdit* Txt_StdNo2 = nullptr;
    MaskedDateEdit* Msk_payday1 = nullptr;
    MaskedDateEdit* Msk_payday2 = nullptr;
    QPushButton* Cmd_print = nullptr;
    QPushButton* Cmd_preprint = nullptr;
    QPushButton* Cmd_exit = nullptr;
    QPushButton* Cmd_clear = nullptr;
    QCheckBox* Chk_1 = nullptr;
    QCheckBox* Chk_2 = nullptr;
    QCheckBox* Chk_3 = nullptr;
    QCheckBox* Chk_4 = nullptr;
    QCheckBox* Chk_ALL = nullptr;
    OptionButton* Opt1 = nullptr;
    OptionButton* Opt2 = nullptr;
    OptionButton* Opt_group1 = nullptr;
    OptionButton* Opt_group2 = nullptr;
    OptionButton* Opt_item1 = nullptr;
    OptionButton* Opt_item2 = nullptr;
    QListWidget* Lst_status = nullptr;
    QListWidget* Lst_group = nullptr;
    QListWidget* Lst_item = nullptr;
    QTimer* Timer1_ = nullptr;
};

}  // namespace zol
