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

QAccessibleInterface* option_button_interface(const QString& class_name, QObject* object) {
    if (class_name != QLatin1String(OptionButton::staticMetaObject.className())) return nullptr;
    auto* button = qobject_cast<OptionButton*>(object);
    if (!button) return nullptr;
    // Owned by Qt's accessibility cache from here on.
    return std::make_unique<OptionButtonAccessible>(button).release();
}

}  // namespace

void set_accessible_name(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->lineEdit()) combo->lineEdit()->setAccessibleName(name);
        combo->view()->setAccessibleName(name);
    }
}

void expose_option_buttons() {
    // Qt keeps a factory once, however often it is installed.
    QAccessible::installFactory(option_button_interface);
}

}  // namespace zol
