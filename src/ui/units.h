// Screen measures of the dialogs: dialog units, pixels and twips.
#pragma once

#include <cstdint>

#include "gfx/canvas.h"

namespace qz::ui {

// The canvas's point and rectangle, so that a dialog's measures and its
// drawing speak of the same things.
using gfx::Point;
using gfx::Rect;

// a * b / c rounded half away from zero, as the platform's MulDiv does.
inline int MulDiv(int a, int b, int c) {
    std::int64_t p = std::int64_t(a) * b;
    std::int64_t half = c / 2;
    return int((p >= 0 ? p + half : p - half) / c);
}

// The dialog font's base units: a dialog unit is a quarter of the average
// character width across and an eighth of its height down.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 12;
inline int DluToPixelX(int du) {
    return MulDiv(du, kBaseUnitX, 4);
}
inline int DluToPixelY(int du) {
    return MulDiv(du, kBaseUnitY, 8);
}

// 96 pixels per inch, 1440 twips per inch.
inline constexpr int kTwipsPerPixel = 15;
inline int TwipsToPixels(int twips) {
    return MulDiv(twips, 1, kTwipsPerPixel);
}

}  // namespace qz::ui
