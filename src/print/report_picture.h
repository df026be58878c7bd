// The picture that an ESC 4 1 line prints: 105 x 127 pixels, a black rectangular outline on
// white, made by the program.
#pragma once

#include <QImage>

namespace zol::print {

inline constexpr int kPictureWidth = 105;
inline constexpr int kPictureHeight = 127;

QImage report_picture();

}  // namespace zol::print
