#include "gfx/cairo/raster_cairo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "base/helpers.h"
#include "base/pixel_limits.h"
#include "base/platform.h"
#include "gfx/cairo/cairo_paths.h"
#include "gfx/clip.h"

namespace qz::gfx {

namespace {

// Width-1 lines whose ends lie this far out are clipped before they are walked.
constexpr long long kWalkMargin = 4096;

std::uint32_t Packed(Color c) {
    return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | std::uint32_t(c.b);
}

}  // namespace

CRasterCanvas::CRasterCanvas(int width, int height)
    : width_(std::clamp(width, 0, kMaxBitmapSide)),
      height_(std::clamp(height, 0, kMaxBitmapSide)),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_)),
      cr_(cairo_create(surface_)),
      pixels_(reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface_))),
      stride_(std::size_t(std::max(cairo_image_surface_get_stride(surface_), 0)) / 4) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    SelectFont(font_);
}

CRasterCanvas::~CRasterCanvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

Color CRasterCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel");
    cairo_surface_flush(surface_);
    std::uint32_t v = Row(y)[x];
    return Rgb(int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF));
}

std::vector<std::uint8_t> CRasterCanvas::EncodePng() const {
    std::vector<std::uint8_t> bytes;
    cairo_surface_flush(surface_);
    auto write = [](void* closure, const unsigned char* data, unsigned int length) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(surface_, write, &bytes) != CAIRO_STATUS_SUCCESS) {
        bytes.clear();
    }
    return bytes;
}

bool CRasterCanvas::SavePng(const std::string& utf8Path) const {
    std::vector<std::uint8_t> bytes = EncodePng();
    return !bytes.empty() && SaveFileReplacing(utf8Path, bytes);
}

Pen CRasterCanvas::SelectPen(const Pen& pen) {
    return std::exchange(pen_, pen);
}
Brush CRasterCanvas::SelectBrush(const Brush& brush) {
    return std::exchange(brush_, brush);
}

Font CRasterCanvas::SelectFont(const Font& font) {
    Font old = std::exchange(font_, font);
    ascent_ = SelectStandInFont(cr_, font);
    return old;
}

void CRasterCanvas::SetSource(Color c) {
    cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void CRasterCanvas::Fill(int left, int top, int right, int bottom, Color color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom) return;
    cairo_surface_flush(surface_);
    std::uint32_t v = Packed(color);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = Row(y);
        std::fill(row + left, row + right, v);
    }
    cairo_surface_mark_dirty(surface_);
}

void CRasterCanvas::FillRect(const Rect& rect, const Brush& brush) {
    if (brush.style != Brush::kNull)
        Fill(rect.left, rect.top, rect.right, rect.bottom, brush.color);
}

void CRasterCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    Draw3dRectBars(rect, topLeft, bottomRight,
                   [this](int l, int t, int r, int b, Color c) { Fill(l, t, r, b, c); });
}

void CRasterCanvas::Segment(Point from, Point to) {
    if (pen_.style == Pen::kNull) return;
    double x0 = from.x, y0 = from.y, x1 = to.x, y1 = to.y;
    if (pen_.width > 1) {
        double w = pen_.width;
        if (!ClipSegment(x0, y0, x1, y1, -w - 2, -w - 2, width_ + w + 2, height_ + w + 2)) return;
        cairo_new_path(cr_);
        cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
        cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
        cairo_set_line_width(cr_, w);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        SetSource(pen_.color);
        SetDash(cr_, pen_);
        cairo_stroke(cr_);
        return;
    }
    auto near = [&](double x, double y) {
        return x >= -kWalkMargin && y >= -kWalkMargin && x <= width_ + kWalkMargin &&
               y <= height_ + kWalkMargin;
    };
    if (!near(x0, y0) || !near(x1, y1)) {
        // Ends moved by the cut lie outside the image, so the pixels walked
        // inside it stay those of the whole line.
        if (!ClipSegment(x0, y0, x1, y1, -2, -2, width_ + 1, height_ + 1)) return;
    }
    // Bresenham's walk, leaving out the last pixel as GDI does; a dashed
    // pen counts its dashes from the segment's start.
    const bool dashed = pen_.style == Pen::kDash;
    long long walked = 0;
    long long x = RoundToInt(x0), y = RoundToInt(y0);
    const long long ex = RoundToInt(x1), ey = RoundToInt(y1);
    const long long dx = std::llabs(ex - x), dy = -std::llabs(ey - y);
    const int stepX = x < ex ? 1 : -1, stepY = y < ey ? 1 : -1;
    long long err = dx + dy;
    const std::uint32_t v = Packed(pen_.color);
    cairo_surface_flush(surface_);
    while (x != ex || y != ey) {
        const bool drawn = !dashed || walked++ % (Pen::kDashOn + Pen::kDashOff) < Pen::kDashOn;
        if (drawn && x >= 0 && y >= 0 && x < width_ && y < height_) Row(int(y))[x] = v;
        long long e2 = 2 * err;
        if (e2 >= dy) err += dy, x += stepX;
        if (e2 <= dx) err += dx, y += stepY;
    }
    cairo_surface_mark_dirty(surface_);
}

void CRasterCanvas::LineTo(int x, int y) {
    Segment(position_, {x, y});
    position_ = {x, y};
}

void CRasterCanvas::Polyline(const Point* points, int count) {
    // Round caps on every segment of a wide pen give its round joins.
    for (int i = 1; i < count; ++i) Segment(points[i - 1], points[i]);
}

bool CRasterCanvas::EllipsePath(int left, int top, int right, int bottom, const double* rays) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const double margin = std::max(pen_.width, 1) + 2;
    if (right < -margin || bottom < -margin || left > width_ + margin || top > height_ + margin) {
        return false;
    }
    if (std::max({std::abs(double(left)), std::abs(double(top)), std::abs(double(right)),
                  std::abs(double(bottom))}) > kPixelLimit) {
        return false;
    }
    EllipseOutline(cr_, left, top, right, bottom, rays);
    return true;
}

void CRasterCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (std::abs(double(right) - left) < 2 || std::abs(double(bottom) - top) < 2) {
        // Too thin for a curve: a line of pixels, or nothing for an empty box.
        if (pen_.style == Pen::kNull && brush_.style == Brush::kNull) return;
        Color c = pen_.style != Pen::kNull ? pen_.color : brush_.color;
        Fill(std::min(left, right), std::min(top, bottom), std::max(left, right),
             std::max(top, bottom), c);
        return;
    }
    if (!EllipsePath(left, top, right, bottom, nullptr)) return;
    if (brush_.style != Brush::kNull) {
        SetSource(brush_.color);
        cairo_fill_preserve(cr_);
    }
    if (pen_.style != Pen::kNull) {
        SetSource(pen_.color);
        cairo_set_line_width(cr_, std::max(pen_.width, 1));
        SetDash(cr_, pen_);
        cairo_stroke(cr_);
    }
    cairo_new_path(cr_);
}

void CRasterCanvas::Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    if (pen_.style == Pen::kNull) return;
    if (std::abs(double(right) - left) < 2 || std::abs(double(bottom) - top) < 2) {
        Fill(std::min(left, right), std::min(top, bottom), std::max(left, right),
             std::max(top, bottom), pen_.color);
        return;
    }
    double rays[2];
    const bool full = ArcRays(left, top, right, bottom, xs, ys, xe, ye, rays);
    if (!EllipsePath(left, top, right, bottom, full ? nullptr : rays)) return;
    SetSource(pen_.color);
    cairo_set_line_width(cr_, std::max(pen_.width, 1));
    // A round end takes in the pixels on which the arc starts and ends.
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    SetDash(cr_, pen_);
    cairo_stroke(cr_);
}

Size CRasterCanvas::TextExtent(TextView text) {
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    int height = RoundToInt(font.ascent + font.descent);
    if (text.empty()) return {0, height};
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, ToUtf8Lossy(text).c_str(), &extents);
    return {RoundToInt(extents.x_advance), height};
}

void CRasterCanvas::OutText(int x, int y, TextView text) {
    if (text.empty() || std::abs(double(x)) > kPixelLimit || std::abs(double(y)) > kPixelLimit) {
        return;
    }
    if (!transparent_) {
        // An opaque background is GDI's default background colour, white.
        Size size = TextExtent(text);
        Fill(x, y, x + size.cx, y + size.cy, Rgb(255, 255, 255));
    }
    SetSource(textColor_);
    cairo_new_path(cr_);
    cairo_move_to(cr_, x, y + ascent_);
    cairo_show_text(cr_, ToUtf8Lossy(text).c_str());
    cairo_new_path(cr_);
}

std::unique_ptr<CCanvas> CRasterCanvas::CreateLayer(int width, int height) {
    return std::make_unique<CRasterCanvas>(width, height);
}

void CRasterCanvas::BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                           int sy) {
    const auto* from = dynamic_cast<const CRasterCanvas*>(&source);
    if (!from || width <= 0 || height <= 0) return;
    // Cut the copy to both images, moving both corners alike.
    long long dx = x, dy = y, srcX = sx, srcY = sy, w = width, h = height;
    auto cut = [](long long& a, long long& b, long long& size) {
        if (a < 0) b -= a, size += a, a = 0;
    };
    cut(dx, srcX, w);
    cut(srcX, dx, w);
    cut(dy, srcY, h);
    cut(srcY, dy, h);
    w = std::min({w, width_ - dx, from->width_ - srcX});
    h = std::min({h, height_ - dy, from->height_ - srcY});
    if (w <= 0 || h <= 0) return;
    cairo_surface_flush(from->surface_);
    cairo_surface_flush(surface_);
    std::vector<std::uint32_t> block(std::size_t(w * h));
    for (long long row = 0; row < h; ++row) {
        std::memcpy(&block[std::size_t(row * w)], from->Row(int(srcY + row)) + srcX,
                    std::size_t(w) * sizeof(std::uint32_t));
    }
    for (long long row = 0; row < h; ++row) {
        std::memcpy(Row(int(dy + row)) + dx, &block[std::size_t(row * w)],
                    std::size_t(w) * sizeof(std::uint32_t));
    }
    cairo_surface_mark_dirty(surface_);
}

}  // namespace qz::gfx
