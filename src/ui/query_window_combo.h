// The window's combo box: editable like the original's drop-down combos, with the
// drop-down and focus events that the loaders and the input-method switch hang on.
#pragma once

#include <QComboBox>

namespace zol {

class DropDownCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDownCombo(QWidget* parent = nullptr);

    // The entry the text stands for: the current entry while the text still reads as it,
    // -1 when nothing was picked or the text was changed by hand afterwards.
    int list_index() const;
    // Empties the list and, with it, the text.
    void empty_list();
    // Appends an entry without picking it: the text and the selection stay as they were.
    void add_entry(const QString& text);

  signals:
    // Raised before the list opens, so a loader can rebuild it first.
    void drop_down();
    void focus_received();

  public:
    void showPopup() override;

  protected:
    void focusInEvent(QFocusEvent* e) override;
};

}  // namespace zol
