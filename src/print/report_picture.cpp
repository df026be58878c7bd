#include "print/report_picture.h"

namespace zol::print {

QImage report_picture() {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
    image.fill(Qt::white);
    const QRgb black = qRgb(0, 0, 0);
    for (int x = 0; x < kPictureWidth; ++x) {
        image.setPixel(x, 0, black);
        image.setPixel(x, kPictureHeight - 1, black);
    }
    for (int y = 0; y < kPictureHeight; ++y) {
        image.setPixel(0, y, black);
        image.setPixel(kPictureWidth - 1, y, black);
    }
    return image;
}

}  // namespace zol::print
