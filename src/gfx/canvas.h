// A GDI-like drawing surface.  The plot and the elements draw through it;
// each backend (recording, raster, GDI) is one small file pair.
#pragma once

#include <cstdint>
#include <memory>

#include "base/text.h"

namespace qz::gfx {

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Color, Color) = default;
};
constexpr Color Rgb(int r, int g, int b) {
    return {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
}

struct Point {
    int x = 0, y = 0;
    friend bool operator==(Point, Point) = default;
};
struct Size {
    int cx = 0, cy = 0;
    friend bool operator==(Size, Size) = default;
};
// GDI rectangles: right and bottom are exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Point Center() const { return {(left + right) / 2, (top + bottom) / 2}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Pen {
    // kDash: GDI's dashes of a thin pen, kDashOn pixels drawn and kDashOff left.
    enum Style : std::uint8_t { kSolid, kNull, kDash } style = kSolid;
    static constexpr int kDashOn = 18, kDashOff = 6;
    int width = 1;
    Color color;
    friend bool operator==(const Pen&, const Pen&) = default;
};
struct Brush {
    enum Style : std::uint8_t { kSolid, kNull } style = kSolid;
    Color color;
    friend bool operator==(const Brush&, const Brush&) = default;
};
struct Font {
    int height = -12;  // negative: character height in pixels
    int weight = 400;
    Text face = u"宋体";
    friend bool operator==(const Font&, const Font&) = default;
};

// MFC's CDC::Draw3dRect as four solid bars, for the backends that paint
// them: the top-left colour stops one pixel short of the far corners, which
// belong to the bottom-right colour.  `fill(left, top, right, bottom, color)`.
template <class Fill>
void Draw3dRectBars(const Rect& rect, Color topLeft, Color bottomRight, Fill fill) {
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    fill(l, t, r - 1, t + 1, topLeft);
    fill(l, t, l + 1, b - 1, topLeft);
    fill(r - 1, t, r, b, bottomRight);
    fill(l, b - 1, r, b, bottomRight);
}

inline constexpr Pen kNullPen{Pen::kNull, 0, {}};
inline constexpr Brush kNullBrush{Brush::kNull, {}};

class CCanvas {
  public:
    virtual ~CCanvas() = default;

    virtual Size GetSize() const = 0;

    // Selecting returns what was selected before, as GDI's SelectObject does.
    virtual Pen SelectPen(const Pen& pen) = 0;
    virtual Brush SelectBrush(const Brush& brush) = 0;
    virtual Font SelectFont(const Font& font) = 0;
    virtual void SetTransparentText(bool transparent) = 0;
    virtual void SetTextColor(Color color) = 0;

    virtual void FillRect(const Rect& rect, const Brush& brush) = 0;
    // One-pixel bevel: top and left in `topLeft`, bottom and right in `bottomRight`.
    virtual void Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) = 0;
    // Outline with the pen, inside with the brush, in the box as GDI takes it.
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Counter-clockwise on the screen from the ray through (xs, ys) to the
    // ray through (xe, ye); equal rays draw the full ellipse.
    virtual void Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) = 0;
    virtual void MoveToEx(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void Polyline(const Point* points, int count) = 0;
    virtual void OutText(int x, int y, TextView text) = 0;
    virtual Size TextExtent(TextView text) = 0;

    // Draws only inside `clip` with (0, 0) moved to `origin`, both in the
    // coordinates in force, until the matching PopClip.  False, with nothing
    // changed, where a drawer should use layers instead: on a bitmap, whose
    // pixels the layers' copies decide.
    virtual bool PushClip(const Rect& clip, Point origin) {
        (void)clip;
        (void)origin;
        return false;
    }
    virtual void PopClip() {}
    // True where a cut drawing must repeat what a layer copied in from
    // another, for its pixels to stay those the layers gave: an image drawn
    // with paths, whose edge shading depends on the cut.  A document need not.
    virtual bool RepeatsUnderClip() const { return false; }

    // An off-screen layer compatible with this surface.
    virtual std::unique_ptr<CCanvas> CreateLayer(int width, int height) = 0;
    // Plain source copy of (sx, sy, width, height) of `source` to (x, y).
    virtual void BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                        int sy) = 0;
};

}  // namespace qz::gfx
