// The windows' design positions and sizes are in twips; the screen has 15 of them to the
// pixel. One rounding for both windows, so a control the two share lines up.
#pragma once

#include <QRect>

namespace zol {

inline constexpr int kTwipsPerPixel = 15;

// Twips to the nearest pixel, a half pixel rounded away from zero.
constexpr int px(int twips) {
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((half - twips) / kTwipsPerPixel);
}

inline QRect twips(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

}  // namespace zol
