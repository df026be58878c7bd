// A line edit for digits and dates: no input method composes into it. Qt's own line edit
// answers Qt::ImEnabled with its enabled state whatever WA_InputMethodEnabled says, so an
// active Chinese input method would turn the key 1 into a Zhuyin symbol here.
#pragma once

#include <QLineEdit>

class QComboBox;

namespace zol {

class DigitLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit DigitLineEdit(QWidget* parent = nullptr);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  protected:
    void focusInEvent(QFocusEvent* e) override;
    // Committed text passes; a composition is never shown, so none can stay behind.
    void inputMethodEvent(QInputMethodEvent* e) override;
};

// Gives an editable combo a DigitLineEdit as its edit line.
void use_digit_line(QComboBox* combo);

}  // namespace zol
