#include "ui/query_window_controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include "ui/accessible.h"

namespace zol {

DropDownCombo::DropDownCombo(QWidget* parent) : QComboBox(parent) {
    expose_window_controls();
    setEditable(true);
    // Typed text never becomes an entry and is never completed from the list.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(8);
}

int DropDownCombo::list_index() const {
    const int i = currentIndex();
    if (i < 0 || itemText(i) != currentText()) return -1;
    return i;
}

void DropDownCombo::empty_list() {
    clear();
    clearEditText();
}

void DropDownCombo::add_entry(const QString& text) {
    // The first entry of an empty list would otherwise become the current one, passing its
    // text through the change events of the box for a moment.
    const QSignalBlocker quiet(this);
    const bool none = currentIndex() < 0;
    const QString shown = currentText();
    addItem(text);
    if (none && currentIndex() >= 0) {
        setCurrentIndex(-1);
        setEditText(shown);
    }
}

void DropDownCombo::showPopup() {
    emit drop_down();
    QComboBox::showPopup();
}

OptionButton::OptionButton(QWidget* parent) : QRadioButton(parent) {
    setAutoExclusive(false);
    expose_window_controls();
}

void OptionButton::nextCheckState() {
    if (!isChecked()) setChecked(true);
}

void OptionButton::keyPressEvent(QKeyEvent* event) {
    const bool arrow = event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
                       event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && partner_ && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        partner_->setFocus(Qt::OtherFocusReason);
        partner_->click();
        return;
    }
    QRadioButton::keyPressEvent(event);
}

}  // namespace zol
