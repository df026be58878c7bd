// The pay-date box: a masked edit "###/##/##" whose untyped positions show "_", so an
// empty box reads "___/__/__" and typed digits replace the prompts from the left.
#pragma once

#include "ui/digit_line_edit.h"

namespace zol {

class MaskedDateEdit : public DigitLineEdit {
    Q_OBJECT
  public:
    explicit MaskedDateEdit(QWidget* parent = nullptr);

    // The text with its prompts, as the box shows it ("___/__/__" when empty).
    QString masked_text() const { return displayText(); }
    // Writes a date text "yyy/mm/dd"; an empty text clears the box back to the prompts.
    void set_masked_text(const QString& text);

  signals:
    // The box was entered (by Tab, Enter, a click or the program), not merely reactivated.
    void focus_received();

  protected:
    void focusInEvent(QFocusEvent* e) override;
};

}  // namespace zol
