#include "ui/win32/bitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/gdi/gdi_canvas.h"
#include "resources/bitmaps.h"

namespace qz::ui::win32 {

namespace {

gfx::Color ColorOf(std::uint32_t rgb) {
    return gfx::Rgb(int(rgb >> 16 & 0xFF), int(rgb >> 8 & 0xFF), int(rgb & 0xFF));
}

gfx::Color Palette(int index) {
    return ColorOf(res::kStandardColors[index & 15]);
}

// A top-down 32-bit DIB section holding `pixels` (0x00RRGGBB).
HBITMAP MakeBitmap(int width, int height, auto&& pixel) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = pixel(x, y);
    return bitmap;
}

void Draw(gfx::CCanvas& dc, const res::Stroke& s) {
    using S = res::Stroke;
    const gfx::Color color = Palette(s.color);
    dc.SelectPen({gfx::Pen::kSolid, 1, color});
    switch (s.kind) {
        case S::kLine:
        case S::kArrow: {
            dc.MoveToEx(s.x0, s.y0);
            dc.LineTo(s.x1, s.y1);
            if (s.kind == S::kLine) break;
            // A head of two 6-pixel strokes at 25 degrees either side.
            const double dx = s.x0 - s.x1, dy = s.y0 - s.y1;
            const double len = std::max(1.0, std::sqrt(dx * dx + dy * dy));
            const double ux = dx / len * 6, uy = dy / len * 6, c = 0.906, n = 0.423;
            for (int side : {-1, 1}) {
                dc.MoveToEx(s.x1, s.y1);
                dc.LineTo(s.x1 + int(std::lround(ux * c - side * uy * n)),
                          s.y1 + int(std::lround(uy * c + side * ux * n)));
            }
            break;
        }
        case S::kEllipse:
            dc.SelectBrush(gfx::kNullBrush);
            dc.Ellipse(s.x0, s.y0, s.x1, s.y1);
            break;
        case S::kArc:
            dc.Arc(s.x0, s.y0, s.x1, s.y1, s.x2, s.y2, s.x3, s.y3);
            break;
        case S::kDot:
            dc.SelectBrush({gfx::Brush::kSolid, color});
            dc.Ellipse(s.x0 - 2, s.y0 - 2, s.x0 + 3, s.y0 + 3);
            break;
        case S::kText:
            dc.SetTransparentText(true);
            dc.SetTextColor(color);
            dc.OutText(s.x0, s.y0, s.text ? s.text : u"");
            break;
    }
}

}  // namespace

HBITMAP LoadResourceBitmap(int id) {
    if (const res::PixelBitmap* b = res::FindPixelBitmap(id))
        return MakeBitmap(b->width, b->height, [&](int x, int y) { return b->Rgb(x, y); });
    const res::Picture* p = res::FindPicture(id);
    if (!p) return nullptr;
    gfx::CGdiCanvas canvas(p->width, p->height);
    canvas.FillRect({0, 0, p->width, p->height}, {gfx::Brush::kSolid, Palette(p->background)});
    for (const auto& s : p->strokes) Draw(canvas, s);
    return MakeBitmap(p->width, p->height, [&](int x, int y) {
        gfx::Color c = canvas.Pixel(x, y);
        return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
    });
}

}  // namespace qz::ui::win32
