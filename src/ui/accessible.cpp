#include "ui/accessible.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <memory>

#include "ui/query_window_controls.h"

namespace zol {

namespace {

class OptionButtonAccessible : public QAccessibleWidget {
  public:
    explicit OptionButtonAccessible(OptionButton* button)
        : QAccessibleWidget(button, QAccessible::RadioButton), button_(button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button_->accessibleName().isEmpty()) return button_->text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button_->isChecked();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            button_->click();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

  private:
    OptionButton* button_;
};

// Qt names an editable combo on Linux by the text it holds and leaves its label to a
// relation, which the second field of a pair ("至") cannot carry: the combo is named by its
// label, and its text is its value. The edit line and the list are its children.
class ComboAccessible : public QAccessibleWidget {
  public:
    explicit ComboAccessible(DropDownCombo* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox), combo_(combo) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo_->currentText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = combo_->isEditable();
        s.expandable = true;
        s.expanded = combo_->view()->isVisible();
        return s;
    }
    int childCount() const override { return QAccessibleWidget::childCount() + 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == QAccessibleWidget::childCount())
            return QAccessible::queryAccessibleInterface(combo_->view());
        return QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child && child->object() == combo_->view()) return QAccessibleWidget::childCount();
        return QAccessibleWidget::indexOfChild(child);
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()};
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) combo_->showPopup();
    }

  private:
    DropDownCombo* combo_;
};

QAccessibleInterface* control_interface(const QString& class_name, QObject* object) {
    // Each is owned by Qt's accessibility cache from here on.
    if (class_name == QLatin1String(OptionButton::staticMetaObject.className())) {
        if (auto* button = qobject_cast<OptionButton*>(object))
            return std::make_unique<OptionButtonAccessible>(button).release();
    } else if (class_name == QLatin1String(DropDownCombo::staticMetaObject.className())) {
        if (auto* combo = qobject_cast<DropDownCombo*>(object))
            return std::make_unique<ComboAccessible>(combo).release();
    }
    return nullptr;
}

}  // namespace

void set_accessible_name(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->lineEdit()) combo->lineEdit()->setAccessibleName(name);
        combo->view()->setAccessibleName(name);
    }
}

void expose_window_controls() {
    // Qt keeps a factory once, however often it is installed.
    QAccessible::installFactory(control_interface);
}

}  // namespace zol
