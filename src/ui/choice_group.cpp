#include "ui/choice_group.h"

#include <QListWidget>

#include "ui/query_window_controls.h"

namespace zol {

ChoiceGroup::ChoiceGroup(OptionButton* all, OptionButton* part, QListWidget* list,
                         bool part_tabs_first, QObject* parent)
    : QObject(parent), all_(all), part_(part), list_(list), part_tabs_first_(part_tabs_first) {
    all->set_partner(part);
    part->set_partner(all);
    connect(all, &OptionButton::toggled, this, [this](bool on) {
        if (on) part_->setChecked(false);
        update();
    });
    connect(part, &OptionButton::toggled, this, [this](bool on) {
        if (on) all_->setChecked(false);
        update();
    });
    update();
}

void ChoiceGroup::update() {
    list_->setEnabled(!all_->isChecked());
    OptionButton* first = part_tabs_first_ ? part_ : all_;
    OptionButton* second = part_tabs_first_ ? all_ : part_;
    const bool first_stops = first->isChecked() || !second->isChecked();
    first->setFocusPolicy(first_stops ? Qt::StrongFocus : Qt::ClickFocus);
    second->setFocusPolicy(first_stops ? Qt::ClickFocus : Qt::StrongFocus);
}

}  // namespace zol
