// Field events of the query window: Enter moving on, the key filters, the seat-number
// limit, the three option rules, the pay-date proposal, the drop-down loaders, Timer1 and
// the window's own Alt shortcuts, which it sees before the focused control.
#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/numbers.h"
#include "core/text.h"
#include "query/window_fields.h"
#include "ui/choice_group.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"

namespace zol {

namespace {

// The character a key press types, in the one form the field filters below test:
// 13 Enter, 8 Backspace, 9 Tab, the typed character otherwise, 0 for keys that type none.
char32_t typed_char(const QKeyEvent* k) {
    switch (k->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        default:
            break;
    }
    // Cursor, editing and function keys type nothing, whatever text the platform gives
    // them (X11 hands Delete over as U+007F).
    if (k->key() >= Qt::Key_Escape && k->key() < Qt::Key_unknown) return 0;
    const QString t = k->text();
    if (t.isEmpty()) return 0;
    return t.toUcs4().value(0);
}

}  // namespace

void ZOL5300F1::connect_events() {
    connect(Cmd_clear, &QPushButton::clicked, this, &ZOL5300F1::Cmd_clear_Click);
    connect(Cmd_preprint, &QPushButton::clicked, this, &ZOL5300F1::Cmd_preprint_Click);
    connect(Cmd_print, &QPushButton::clicked, this, &ZOL5300F1::Cmd_print_Click);
    connect(Cmd_exit, &QPushButton::clicked, this, &ZOL5300F1::Cmd_exit_Click);

    connect(CBO_GrpID, &DropDownCombo::drop_down, this,
            [this] { guarded([this] { insert_CBO(); }); });
    connect(CBO_ClsID, &DropDownCombo::drop_down, this,
            [this] { guarded([this] { insert_CBO_ClsID(); }); });
    connect(CBO_ClsID2, &DropDownCombo::drop_down, this,
            [this] { guarded([this] { insert_CBO_ClsID2(); }); });
    connect(CBO_SeatNo1, &DropDownCombo::drop_down, this,
            [this] { guarded([this] { insert_CBO_SeatNo1(); }); });
    connect(CBO_SeatNo2, &DropDownCombo::drop_down, this,
            [this] { guarded([this] { insert_CBO_SeatNo2(); }); });

    connect(CBO_SeatNo1, &QComboBox::editTextChanged, this, [this] { seat_limit(CBO_SeatNo1); });
    connect(CBO_SeatNo2, &QComboBox::editTextChanged, this, [this] { seat_limit(CBO_SeatNo2); });

    // Owned by the window; the statuses' "選擇部分身分" comes first in the tab order.
    new ChoiceGroup(Opt1, Opt2, Lst_status, true, this);
    new ChoiceGroup(Opt_group1, Opt_group2, Lst_group, true, this);
    new ChoiceGroup(Opt_item1, Opt_item2, Lst_item, false, this);

    connect(Msk_payday1, &MaskedDateEdit::focus_received, this, &ZOL5300F1::payday_proposal);
    connect(Timer1_, &QTimer::timeout, this, &ZOL5300F1::Timer1_Timer);
}

void ZOL5300F1::install_key_preview() {
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

bool ZOL5300F1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::InputMethod) {
        // Text composed by an input method is typed text too: the filtered combos take none.
        const bool filtered = watched == CBO_TranDay || watched == CBO_TranDay2 ||
                              watched == CBO_GrpID || watched == CBO_Grade ||
                              watched == CBO_ClsID || watched == CBO_SeatNo1 ||
                              watched == CBO_SeatNo2;
        return filtered && !static_cast<QInputMethodEvent*>(event)->commitString().isEmpty();
    }
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    if (Form_KeyDown(k->key(), k->modifiers())) return true;
    return field_key_press(watched, k);
}

bool ZOL5300F1::Form_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & ~Qt::KeypadModifier) != Qt::AltModifier) return false;
    // The command runs once the key event is done, as a click would; a button that is
    // disabled while its run lasts takes no second run.
    QPushButton* button = nullptr;
    switch (key) {
        case Qt::Key_E:
            button = Cmd_exit;
            break;
        case Qt::Key_P:
            button = Cmd_print;
            break;
        case Qt::Key_X:
            button = Cmd_clear;
            break;
        case Qt::Key_Z:
            button = Cmd_preprint;
            break;
        default:
            return false;
    }
    QTimer::singleShot(0, button, &QPushButton::click);
    return true;
}

bool ZOL5300F1::field_key_press(QObject* field, QKeyEvent* key) {
    const fields::KeyRule* rule = fields::key_rule(field->objectName().toStdString());
    if (!rule) return false;
    const char32_t c = typed_char(key);
    if (c == 0) return false;  // keys that type nothing pass untouched
    if (c == 13) queue_tab();
    if (c == 13 || c == 8 || c == 9) return false;
    switch (rule->filter) {
        case fields::KeyFilter::None:
            return false;
        case fields::KeyFilter::PickOnly:
            return true;
        case fields::KeyFilter::Digits: {
            const auto* combo = static_cast<DropDownCombo*>(field);
            const bool digit = c >= static_cast<char32_t>(rule->lowest_digit) && c <= U'9';
            return !(digit && combo->currentText().size() < rule->max_length);
        }
    }
    return false;
}

void ZOL5300F1::queue_tab() {
    // A Tab keystroke for the focused control, handled once this key press is done.
    QWidget* target = QApplication::focusWidget();
    if (!target) return;
    QCoreApplication::postEvent(
        target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")));
}

void ZOL5300F1::seat_limit(DropDownCombo* combo) {
    const std::string text = combo->currentText().toStdString();
    if (leading_number(text) < fields::kSeatLimit) return;
    combo->setEditText(combo->currentText().left(2));
    tell(QString::fromUtf8(fields::kMsgSeatLimit));
}

void ZOL5300F1::payday_proposal() {
    if (Msk_payday1->masked_text() != QString::fromLatin1("___/__/__")) return;
    guarded([this] { insert_Payday(); });
}

void ZOL5300F1::Timer1_Timer() {
    const std::string d1 = CBO_TranDay->currentText().toStdString();
    const std::string d2 = CBO_TranDay2->currentText().toStdString();
    if (d1 == last_tranday_text_ && d2 == last_tranday2_text_) return;
    last_tranday_text_ = d1;
    last_tranday2_text_ = d2;
    insert_group();
}

}  // namespace zol
