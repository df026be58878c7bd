#include "ui/masked_date_edit.h"

#include <QFocusEvent>

namespace zol {

MaskedDateEdit::MaskedDateEdit(QWidget* parent) : DigitLineEdit(parent) {
    // "0" takes a digit without requiring one, so a half-typed date stays as typed.
    setInputMask(QStringLiteral("000/00/00;_"));
}

void MaskedDateEdit::set_masked_text(const QString& text) {
    setText(text);
    setCursorPosition(0);
}

void MaskedDateEdit::focusInEvent(QFocusEvent* e) {
    DigitLineEdit::focusInEvent(e);
    // Coming back from another window or a closed popup is no entering of the box.
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
    emit focus_received();
}

}  // namespace zol
