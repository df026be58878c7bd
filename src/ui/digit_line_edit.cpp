#include "ui/digit_line_edit.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>

namespace zol {

DigitLineEdit::DigitLineEdit(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhDigitsOnly);
}

QVariant DigitLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled) return false;
    return QLineEdit::inputMethodQuery(query);
}

void DigitLineEdit::focusInEvent(QFocusEvent* e) {
    // A composition begun in another field ends here rather than landing in this one.
    QGuiApplication::inputMethod()->reset();
    QLineEdit::focusInEvent(e);
}

void DigitLineEdit::inputMethodEvent(QInputMethodEvent* e) {
    QInputMethodEvent committed(QString(), {});
    committed.setCommitString(e->commitString(), e->replacementStart(), e->replacementLength());
    QLineEdit::inputMethodEvent(&committed);
}

void use_digit_line(QComboBox* combo) {
    auto line = std::make_unique<DigitLineEdit>(combo);
    combo->setLineEdit(line.release());  // owned by the combo
    // setLineEdit gives the combo a completer of its own; typed text is never completed.
    combo->setCompleter(nullptr);
}

}  // namespace zol
