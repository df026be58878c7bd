#include "ui/enter_clicks.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

namespace zol {

namespace {

class EnterClicks : public QObject {
  public:
    explicit EnterClicks(QPushButton* button) : QObject(button) {
        button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        // The click runs once the key event is done, as the Alt shortcuts' clicks do.
        if (!key->isAutoRepeat())
            QTimer::singleShot(0, static_cast<QPushButton*>(watched), &QPushButton::click);
        return true;
    }
};

}  // namespace

void click_on_enter(QPushButton* button) {
    new EnterClicks(button);  // owned by the button
}

}  // namespace zol
