// Layout of the query window: every control at its place in twips (15 to a pixel), its
// caption, font, initial text and state, and the order in which Tab visits them.
#include "ui/query_window.h"

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cmath>

#include "print/print_fonts.h"
#include "query/window_fields.h"
#include "ui/digit_line_edit.h"
#include "ui/enter_clicks.h"
#include "ui/masked_date_edit.h"
#include "ui/program_identity.h"
#include "ui/query_window_controls.h"
#include "ui/screen_fit.h"
#include "ui/twips.h"

namespace zol {

namespace {

// 新細明體 and 細明體 are mapped to installed fonts by substitution at program start. The
// substitutes have taller lines than the fonts they stand for, so 11 points keep the
// text inside the heights of the twip layout.
QFont ming(bool bold, int points = 11) {
    QFont f(QString::fromUtf8(kNewMingFont));
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}
QFont mono_ming(bool bold, int points = 11) {
    QFont f(QString::fromUtf8(kMingFont));
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

template <class W>
W* place(QWidget* parent, const char* name, QRect geometry, const QFont& font) {
    auto* w = new W(parent);  // owned by parent
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    w->setFont(font);
    return w;
}

QLabel* label(QWidget* parent, const char* name, const char* text, QRect geometry,
              bool bold = true) {
    auto* l = place<QLabel>(parent, name, geometry, mono_ming(bold));
    l->setText(QString::fromUtf8(text));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QString u(const char* s) {
    return QString::fromUtf8(s);
}

DropDownCombo* combo(QWidget* parent, const char* name, QRect geometry) {
    return place<DropDownCombo>(parent, name, geometry, ming(false));
}

// Dates, grades, classes and seats: digits only, no input method composes in them.
DropDownCombo* digit_combo(QWidget* parent, const char* name, QRect geometry) {
    DropDownCombo* c = combo(parent, name, geometry);
    c->setAttribute(Qt::WA_InputMethodEnabled, false);
    use_digit_line(c);
    return c;
}

}  // namespace

ZOL5300F1::ZOL5300F1(std::string base_path, StartArgs args, QueryWindowHooks hooks, QWidget* parent)
    : QWidget(parent),
      base_path_(std::move(base_path)),
      args_(std::move(args)),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("ZOL5300F1"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(px(11880), px(8595));
    setFont(ming(false));
    if (!hooks_.message) hooks_.message = [this](const QString& t) { show_message(this, t); };
    if (!hooks_.ask_yes_no)
        hooks_.ask_yes_no = [this](const QString& t) { return ask_yes_no(this, t); };
    build_controls();
    build_labels();
    describe_controls();
    set_tab_order();
    connect_events();
    install_key_preview();
    design_ = std::make_unique<DesignLayout>(this);
    fit_to_screen();
}

ZOL5300F1::~ZOL5300F1() = default;

void ZOL5300F1::fit_to_screen() {
    // The frame is known once a window manager has framed the shown window.
    const QRect frame = frameGeometry(), inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const double s = fit_scale(design_->size(), room_on(screen(), margins),
                               kReadablePoints / design_->smallest_points());
    if (std::abs(s - scale_) < 0.001) return;
    scale_ = s;
    design_->apply(s);
}

void ZOL5300F1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    fit_to_screen();
    keep_inside_work_area(this);
}

void ZOL5300F1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) fit_to_screen();
}

void ZOL5300F1::build_controls() {
    fra_00 = place<QGroupBox>(this, "fra_00", twips(120, 120, 11685, 8415), ming(false));
    fra_00->setTitle(u(fields::kFrame));

    CBO_TranDay = digit_combo(fra_00, "CBO_TranDay", twips(2400, 750, 1815, 360));
    CBO_GrpID = combo(fra_00, "CBO_GrpID", twips(8040, 6480, 2175, 336));
    CBO_Grade = digit_combo(fra_00, "CBO_Grade", twips(2400, 1680, 1095, 360));
    CBO_Grade->setEditText(u("Combo2"));
    CBO_ClsID = digit_combo(fra_00, "CBO_ClsID", twips(2400, 2160, 1095, 360));
    CBO_ClsID->setEditText(u("Combo2"));
    CBO_SeatNo1 = digit_combo(fra_00, "CBO_SeatNo1", twips(2400, 2640, 1095, 360));
    CBO_SeatNo1->setEditText(u("Combo2"));
    CBO_SeatNo2 = digit_combo(fra_00, "CBO_SeatNo2", twips(4440, 2640, 1095, 360));
    CBO_SeatNo2->setEditText(u("Combo2"));

    Txt_StdNo1 =
        place<DigitLineEdit>(fra_00, "Txt_StdNo1", twips(2400, 3120, 1575, 375), mono_ming(false));
    Txt_StdNo1->setMaxLength(10);
    Txt_StdNo2 =
        place<DigitLineEdit>(fra_00, "Txt_StdNo2", twips(4680, 3120, 1575, 375), mono_ming(false));
    Txt_StdNo2->setMaxLength(10);

    CBO_TranDay2 = digit_combo(fra_00, "CBO_TranDay2", twips(4800, 750, 1815, 360));
    Msk_payday1 =
        place<MaskedDateEdit>(fra_00, "Msk_payday1", twips(2400, 1230, 1815, 375), ming(false));
    Msk_payday2 =
        place<MaskedDateEdit>(fra_00, "Msk_payday2", twips(4800, 1230, 1725, 375), ming(false));
    CBO_ClsID2 = digit_combo(fra_00, "CBO_ClsID2", twips(4440, 2160, 1095, 360));
    CBO_ClsID2->setEditText(u("Combo2"));

    Chk_4 = place<QCheckBox>(fra_00, "Chk_4", twips(4956, 3540, 2292, 372), ming(false));
    Chk_4->setText(u(fields::kAllMethods));
    Chk_3 = place<QCheckBox>(fra_00, "Chk_3", twips(3996, 3540, 852, 372), ming(false));
    Chk_3->setText(u(fields::kCash));
    Chk_2 = place<QCheckBox>(fra_00, "Chk_2", twips(3036, 3540, 852, 372), ming(false));
    Chk_2->setText(u(fields::kCounter));
    Chk_1 = place<QCheckBox>(fra_00, "Chk_1", twips(2196, 3540, 852, 372), ming(false));
    Chk_1->setText(u(fields::kTransfer));
    for (auto* c : {Chk_1, Chk_2, Chk_3, Chk_4}) c->setChecked(true);

    CBO_paystas = combo(fra_00, "CBO_paystas", twips(2400, 3960, 1395, 360));
    for (const char* s : {"一", "二", "三", "四", "五", "六"}) CBO_paystas->addItem(u(s));
    CBO_paystas->setCurrentIndex(-1);

    Opt2 = place<OptionButton>(fra_00, "Opt2", twips(1920, 4920, 2052, 252), ming(false));
    Opt2->setText(u(fields::kSomeStatuses));
    Opt1 = place<OptionButton>(fra_00, "Opt1", twips(720, 4920, 852, 252), ming(false));
    Opt1->setText(u(fields::kAll));
    Opt1->setChecked(true);
    Lst_status =
        place<QListWidget>(fra_00, "Lst_status", twips(720, 5640, 3735, 1950), ming(false));
    Lst_status->setSelectionMode(QAbstractItemView::MultiSelection);

    CBO_preway = combo(fra_00, "CBO_preway", twips(2400, 4440, 1392, 360));
    Chk_ALL = place<QCheckBox>(fra_00, "Chk_ALL", twips(4320, 4320, 2292, 252), ming(true));
    Chk_ALL->setText(u(fields::kMerged));

    Frame1 = place<QGroupBox>(fra_00, "Frame1", twips(7560, 360, 3972, 2892), ming(false));
    Opt_group2 =
        place<OptionButton>(Frame1, "Opt_group2", twips(1320, 240, 2052, 252), ming(false));
    Opt_group2->setText(u(fields::kSomeGroups));
    Opt_group1 = place<OptionButton>(Frame1, "Opt_group1", twips(120, 240, 852, 252), ming(false));
    Opt_group1->setText(u(fields::kAll));
    Lst_group = place<QListWidget>(Frame1, "Lst_group", twips(120, 960, 3735, 1680), ming(false));
    Lst_group->setSelectionMode(QAbstractItemView::MultiSelection);
    Lst_group->addItem(u("Lst_group"));

    Frame3 = place<QGroupBox>(fra_00, "Frame3", twips(7560, 3480, 3972, 4092), ming(false));
    Lst_item = place<QListWidget>(Frame3, "Lst_item", twips(120, 960, 3732, 2760), ming(false));
    Lst_item->setSelectionMode(QAbstractItemView::MultiSelection);
    Lst_item->addItem(u("Lst_group"));
    Opt_item1 = place<OptionButton>(Frame3, "Opt_item1", twips(120, 240, 852, 252), ming(false));
    Opt_item1->setText(u(fields::kAll));
    Opt_item2 = place<OptionButton>(Frame3, "Opt_item2", twips(1320, 240, 2052, 252), ming(false));
    Opt_item2->setText(u(fields::kSomeItems));

    Frame2 = place<QGroupBox>(fra_00, "Frame2", twips(120, 7560, 11415, 735), ming(false));
    Cmd_print =
        place<QPushButton>(Frame2, "Cmd_print", twips(480, 240, 1455, 375), mono_ming(true, 12));
    Cmd_print->setText(u(fields::kPrint));
    Cmd_preprint = place<QPushButton>(Frame2, "Cmd_preprint", twips(2760, 240, 1455, 375),
                                      mono_ming(true, 12));
    Cmd_preprint->setText(u(fields::kPreprint));
    Cmd_exit =
        place<QPushButton>(Frame2, "Cmd_exit", twips(9120, 240, 1455, 375), mono_ming(true, 12));
    Cmd_exit->setText(u(fields::kExit));
    Cmd_clear =
        place<QPushButton>(Frame2, "Cmd_clear", twips(4680, 240, 1455, 375), mono_ming(true, 12));
    Cmd_clear->setText(u(fields::kClear));
    for (auto* b : {Cmd_print, Cmd_preprint, Cmd_exit, Cmd_clear}) {
        b->setAutoDefault(false);
        click_on_enter(b);
    }

    Timer1_ = new QTimer(this);  // owned by the window
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(3000);
}

void ZOL5300F1::build_labels() {
    label(fra_00, "lbl_00", fields::kProgramLabel, twips(360, 360, 1095, 255));
    label(fra_00, "lbl_01", fields::kProgramName, twips(1440, 360, 2652, 252));
    label(fra_00, "Label9", fields::kPreway, twips(720, 4500, 1185, 375));
    label(fra_00, "Label4", fields::kStatuses, twips(720, 5280, 3735, 375));
    label(fra_00, "Label2", fields::kMethods, twips(720, 3570, 1185, 255));
    label(fra_00, "Label5", fields::kPaystas, twips(720, 4020, 1185, 375));
    label(Frame1, "Label6", fields::kGroups, twips(120, 600, 3732, 372))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label(Frame3, "Label7", fields::kItems, twips(120, 600, 3732, 372))
        ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label(fra_00, "Label1", fields::kSeat, twips(720, 2700, 615, 330));
    label(fra_00, "Label3", fields::kGroupBox, twips(6660, 6540, 1188, 252));
    label(fra_00, "lbl_08(0)", fields::kStdNo, twips(720, 3180, 735, 330));
    label(fra_00, "lbl_08(1)", fields::kTo, twips(4380, 1290, 255, 375));
    label(fra_00, "lbl_08(3)", fields::kTo, twips(4200, 3120, 255, 255));
    label(fra_00, "lbl_08(4)", fields::kTranDay, twips(720, 810, 1215, 255));
    label(fra_00, "lbl_08(5)", fields::kPayday, twips(720, 1290, 1635, 255));
    label(fra_00, "lbl_08(6)", fields::kTo, twips(4380, 810, 375, 375));
    label(fra_00, "lbl_08(7)", fields::kTo, twips(3840, 2220, 375, 255));
    label(fra_00, "lbl_08(8)", fields::kTo, twips(3840, 2670, 495, 375));
    label(fra_00, "lbl_08(9)", fields::kClass, twips(720, 2220, 645, 375));
    label(fra_00, "lbl_08(11)", fields::kGrade, twips(720, 1770, 855, 375));
    // The item frame lies over the stray group combo and its label: the box keeps its
    // place, list and clearing because the loaders still fill and empty it.
    // A box nobody can see takes no focus, so Tab and Enter pass it by.
    Frame3->raise();
    Frame2->raise();
    CBO_GrpID->setFocusPolicy(Qt::NoFocus);
}

void ZOL5300F1::set_tab_order() {
    // Lowest tab index first; labels, frames and the timer take no focus.
    std::vector<QWidget*> order;
    for (const std::string_view name : fields::kTabOrder)
        order.push_back(findChild<QWidget*>(QString::fromUtf8(name.data(), name.size())));
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

}  // namespace zol
