// A "全部 / 選擇部分" pair of options over a multi-choice list.
#pragma once

#include <QObject>

class QListWidget;

namespace zol {

class OptionButton;

// The two options exclude each other, the list can be used only while "全部" is not
// chosen, and the pair is one tab stop: its chosen option, or the one first in tab order
// while none is. Qt's own exclusive buttons would move the tab stop with the focus history,
// which makes the stop land on an option the clerk did not choose.
class ChoiceGroup : public QObject {
    Q_OBJECT
  public:
    // `part_tabs_first`: the "選擇部分" option comes first in the window's tab order.
    ChoiceGroup(OptionButton* all, OptionButton* part, QListWidget* list, bool part_tabs_first,
                QObject* parent);

  private:
    void update();

    OptionButton* all_;
    OptionButton* part_;
    QListWidget* list_;
    bool part_tabs_first_;
};

}  // namespace zol
