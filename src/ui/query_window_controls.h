// Controls of the query window that behave as its design needs beyond Qt's own.
#pragma once

#include <QComboBox>
#include <QRadioButton>

namespace zol {

// Editable, so that a clerk may type an entry as well as pick one, with the drop-down
// event that the loaders hang on (a list is filled when it opens, from the fields above it).
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

    void showPopup() override;

  signals:
    // Raised before the list opens, so a loader can rebuild it first.
    void drop_down();
};

// An option button of a pair: a click chooses it and never clears it; the window keeps
// the pair exclusive and makes the pair one tab stop itself (Qt's own handling of
// exclusive buttons moves the tab stop with the focus history). An arrow key moves to the
// other option of the pair and chooses it, as a click there would.
class OptionButton : public QRadioButton {
    Q_OBJECT
  public:
    explicit OptionButton(QWidget* parent = nullptr);
    void set_partner(OptionButton* other) { partner_ = other; }

  protected:
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    OptionButton* partner_ = nullptr;
};

}  // namespace zol
