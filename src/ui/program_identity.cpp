#include "ui/program_identity.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "core/desktop_identity.h"

namespace zol {

QIcon program_icon() {
    // Drawn here rather than left to an icon plugin, which a clerk's PC may lack.
    QSvgRenderer svg(QStringLiteral(":/zol5300/zol5300.svg"));
    QIcon icon;
    if (!svg.isValid()) return icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void use_program_identity() {
    // The X11 window class comes from the application name, the Wayland app id from the
    // desktop file name; both are the name of the menu entries.
    QCoreApplication::setApplicationName(QString::fromLatin1(kDesktopName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopName));
    QGuiApplication::setWindowIcon(program_icon());
}

}  // namespace zol
