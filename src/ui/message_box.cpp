#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace zol {

NormalPointer::NormalPointer() {
    while (const QCursor* c = QApplication::overrideCursor()) {
        saved_.push_back(*c);
        QApplication::restoreOverrideCursor();
    }
}

NormalPointer::~NormalPointer() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) QApplication::setOverrideCursor(*it);
}

void show_message(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok,
                    parent);
    const NormalPointer pointer;
    box.exec();
}

bool ask_yes_no(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    const NormalPointer pointer;
    return box.exec() == QMessageBox::Yes;
}

}  // namespace zol
