// The bitmaps of the dialogs, as data: the tree's image strip as pixels in
// the 16 standard colours, and the parameter dialogs' pictures as strokes
// that a backend draws into a bitmap of the picture's size.
#pragma once

#include <cstdint>
#include <span>

#include "resources/resource_ids.h"

namespace qz::res {

// The 16 standard colours as 0xRRGGBB, by palette index.
inline constexpr std::uint32_t kStandardColors[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// A bitmap of palette indices: one hexadecimal digit per pixel, rows top
// down.
struct PixelBitmap {
    int id;
    int width, height;
    const char* pixels;
    int Index(int x, int y) const;
    std::uint32_t Rgb(int x, int y) const { return kStandardColors[Index(x, y)]; }
};

// The tree's images: a strip of three, and the colour that would mark
// transparent pixels (none has it).
inline constexpr int kTreeImageSize = 20;
inline constexpr int kTreeImageCount = 3;
inline constexpr std::uint32_t kTreeImageMask = 0x080000;

// One stroke of a picture, in the picture's pixels.
struct Stroke {
    enum Kind : std::uint8_t {
        kLine,     // (x0, y0) to (x1, y1)
        kArrow,    // a line with a head at (x1, y1)
        kEllipse,  // outline in the box (x0, y0) - (x1, y1)
        kArc,      // in the box, counter-clockwise from the ray through (x2, y2) to (x3, y3)
        kDot,      // a filled 5-pixel dot at (x0, y0)
        kText,     // text with its top-left corner at (x0, y0)
    };
    Kind kind;
    int color;  // palette index
    int x0, y0, x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;
    const char16_t* text = nullptr;
};

struct Picture {
    int id;
    int width, height;
    int background;  // palette index
    std::span<const Stroke> strokes;
};

// Null for an unknown id.
const PixelBitmap* FindPixelBitmap(int id);
const Picture* FindPicture(int id);

}  // namespace qz::res
