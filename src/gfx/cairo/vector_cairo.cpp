#include "gfx/cairo/vector_cairo.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/platform.h"
#include "gfx/cairo/cairo_paths.h"

namespace qz::gfx {

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// Cairo keeps coordinates in 24.8 fixed point; beyond this they wrap.
constexpr double kCairoLimit = 1 << 22;

bool InRange(double v) {
    return std::abs(v) <= kCairoLimit;
}

}  // namespace

CVectorCanvas::CVectorCanvas(Format format, int width, int height, int pixelsPerUnit)
    : format_(format), width_(std::clamp(width, 0, 32767)), height_(std::clamp(height, 0, 32767)) {
    const int scale = std::clamp(pixelsPerUnit, 1, 16);
    switch (format) {
        case Format::kSvg:
            surface_ = cairo_svg_surface_create_for_stream(Append, &bytes_, width_, height_);
            cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PX);
            break;
        case Format::kPdf:
            surface_ = cairo_pdf_surface_create_for_stream(Append, &bytes_, width_, height_);
            break;
        case Format::kPng:
            surface_ =
                cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_ * scale, height_ * scale);
            break;
    }
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, scale, scale);
    Init();
}

CVectorCanvas::CVectorCanvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), layer_(true) {}

void CVectorCanvas::Init() {
    // Glyphs keep their own outlines, as documents and enlarged images want;
    // their advances are whole units, as the raster canvas measures them.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    SelectStandInFont(cr_, font_);
}

CVectorCanvas::~CVectorCanvas() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) cairo_surface_destroy(surface_);
}

bool CVectorCanvas::Defer(Call call) {
    if (!layer_) return false;
    calls_.push_back(std::move(call));
    return true;
}

std::vector<std::uint8_t> CVectorCanvas::Finish() {
    if (finished_ || !surface_) return bytes_;
    finished_ = true;
    if (format_ == Format::kPng) {
        cairo_surface_flush(surface_);
        if (cairo_surface_write_to_png_stream(surface_, Append, &bytes_) != CAIRO_STATUS_SUCCESS)
            bytes_.clear();
    } else {
        cairo_surface_finish(surface_);
    }
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) bytes_.clear();
    return bytes_;
}

bool CVectorCanvas::Save(const std::string& utf8Path) {
    std::vector<std::uint8_t> bytes = Finish();
    return !bytes.empty() && SaveFileReplacing(utf8Path, bytes);
}

Pen CVectorCanvas::SelectPen(const Pen& pen) {
    Defer([pen](CVectorCanvas& t) { t.SelectPen(pen); });
    return std::exchange(pen_, pen);
}

Brush CVectorCanvas::SelectBrush(const Brush& brush) {
    Defer([brush](CVectorCanvas& t) { t.SelectBrush(brush); });
    return std::exchange(brush_, brush);
}

Font CVectorCanvas::SelectFont(const Font& font) {
    Defer([font](CVectorCanvas& t) { t.SelectFont(font); });
    measure_.SelectFont(font);
    if (cr_) SelectStandInFont(cr_, font);
    return std::exchange(font_, font);
}

void CVectorCanvas::SetTransparentText(bool transparent) {
    Defer([transparent](CVectorCanvas& t) { t.SetTransparentText(transparent); });
    transparent_ = transparent;
}

void CVectorCanvas::SetTextColor(Color color) {
    Defer([color](CVectorCanvas& t) { t.SetTextColor(color); });
    textColor_ = color;
}

void CVectorCanvas::MoveToEx(int x, int y) {
    Defer([x, y](CVectorCanvas& t) { t.MoveToEx(x, y); });
    position_ = {x, y};
}

void CVectorCanvas::SetSource(Color c) {
    cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void CVectorCanvas::Fill(double left, double top, double right, double bottom, Color color) {
    if (left >= right || top >= bottom) return;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    SetSource(color);
    cairo_fill(cr_);
}

void CVectorCanvas::FillRect(const Rect& rect, const Brush& brush) {
    if (Defer([rect, brush](CVectorCanvas& t) { t.FillRect(rect, brush); })) return;
    if (brush.style != Brush::kNull)
        Fill(rect.left, rect.top, rect.right, rect.bottom, brush.color);
}

void CVectorCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    if (Defer([=](CVectorCanvas& t) { t.Draw3dRect(rect, topLeft, bottomRight); })) return;
    Draw3dRectBars(rect, topLeft, bottomRight,
                   [this](int l, int t, int r, int b, Color c) { Fill(l, t, r, b, c); });
}

void CVectorCanvas::StrokeWithPen() {
    SetSource(pen_.color);
    cairo_set_line_width(cr_, std::max(pen_.width, 1));
    // Round ends and joins, as the raster canvas's wide pens and GDI's have.
    cairo_set_line_cap(cr_, pen_.width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr_);
}

void CVectorCanvas::LineTo(int x, int y) {
    const Point from = position_;
    MoveToEx(x, y);
    if (layer_) {
        calls_.pop_back();  // the move is the line's own
        Defer([from, x, y](CVectorCanvas& t) {
            t.MoveToEx(from.x, from.y);
            t.LineTo(x, y);
        });
        return;
    }
    Point points[2] = {from, {x, y}};
    Polyline(points, 2);
}

void CVectorCanvas::Polyline(const Point* points, int count) {
    if (layer_) {
        std::vector<Point> copy(points, points + std::max(count, 0));
        Defer([copy](CVectorCanvas& t) { t.Polyline(copy.data(), int(copy.size())); });
        return;
    }
    if (pen_.style == Pen::kNull || count < 2) return;
    cairo_new_path(cr_);
    for (int i = 0; i < count; ++i) {
        if (!InRange(points[i].x) || !InRange(points[i].y)) {
            cairo_new_path(cr_);
            return;
        }
        // Through the centres of the pixels the raster canvas walks.
        cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
    }
    StrokeWithPen();
}

void CVectorCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (Defer([=](CVectorCanvas& t) { t.Ellipse(left, top, right, bottom); })) return;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return;
    if (right - left < 2 || bottom - top < 2) {
        // Too thin for a curve: a line of pixels, or nothing for an empty box.
        if (pen_.style == Pen::kNull && brush_.style == Brush::kNull) return;
        Fill(left, top, right, bottom, pen_.style != Pen::kNull ? pen_.color : brush_.color);
        return;
    }
    EllipseOutline(cr_, left, top, right, bottom, nullptr);
    if (brush_.style != Brush::kNull) {
        SetSource(brush_.color);
        cairo_fill_preserve(cr_);
    }
    if (pen_.style != Pen::kNull)
        StrokeWithPen();
    else
        cairo_new_path(cr_);
}

void CVectorCanvas::Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    if (Defer([=](CVectorCanvas& t) { t.Arc(left, top, right, bottom, xs, ys, xe, ye); })) return;
    if (pen_.style == Pen::kNull) return;
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return;
    if (std::abs(right - left) < 2 || std::abs(bottom - top) < 2) {
        Fill(std::min(left, right), std::min(top, bottom), std::max(left, right),
             std::max(top, bottom), pen_.color);
        return;
    }
    double rays[2];
    const bool full = ArcRays(left, top, right, bottom, xs, ys, xe, ye, rays);
    EllipseOutline(cr_, std::min(left, right), std::min(top, bottom), std::max(left, right),
                   std::max(top, bottom), full ? nullptr : rays);
    SetSource(pen_.color);
    cairo_set_line_width(cr_, std::max(pen_.width, 1));
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr_);
}

Size CVectorCanvas::TextExtent(TextView text) {
    return measure_.TextExtent(text);
}

void CVectorCanvas::OutText(int x, int y, TextView text) {
    if (Defer([x, y, copy = Text(text)](CVectorCanvas& t) { t.OutText(x, y, copy); })) return;
    if (text.empty() || !InRange(x) || !InRange(y)) return;
    if (!transparent_) {
        Size size = TextExtent(text);
        Fill(x, y, x + size.cx, y + size.cy, Rgb(255, 255, 255));
    }
    SetSource(textColor_);
    cairo_new_path(cr_);
    cairo_move_to(cr_, x, y + measure_.Ascent());
    cairo_show_text(cr_, ToUtf8Lossy(text).c_str());
    cairo_new_path(cr_);
}

std::unique_ptr<CCanvas> CVectorCanvas::CreateLayer(int width, int height) {
    return std::unique_ptr<CCanvas>(new CVectorCanvas(width, height));
}

void CVectorCanvas::BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                           int sy) {
    const auto* from = dynamic_cast<const CVectorCanvas*>(&source);
    if (!from || !from->layer_ || width <= 0 || height <= 0) return;
    const Size size = from->GetSize();
    // What the source holds now, as a bitmap would keep it.
    if (Defer([=, calls = from->calls_](CVectorCanvas& t) {
            t.Replay(calls, size, x, y, width, height, sx, sy);
        }))
        return;
    Replay(from->calls_, size, x, y, width, height, sx, sy);
}

void CVectorCanvas::Replay(const std::vector<Call>& calls, Size size, int x, int y, int width,
                           int height, int sx, int sy) {
    const Pen pen = pen_;
    const Brush brush = brush_;
    const Font font = font_;
    const Color textColor = textColor_;
    const bool transparent = transparent_;
    const Point position = position_;
    // The block, cut to the layer's own extent, where alone it holds anything.
    const int left = std::max(x, x - sx), top = std::max(y, y - sy);
    const int right = std::min(x + width, x - sx + size.cx);
    const int bottom = std::min(y + height, y - sy + size.cy);
    if (left >= right || top >= bottom) return;
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    cairo_clip(cr_);
    cairo_translate(cr_, x - sx, y - sy);
    for (const Call& call : calls) call(*this);
    cairo_restore(cr_);
    pen_ = pen;
    brush_ = brush;
    SelectFont(font);
    textColor_ = textColor;
    transparent_ = transparent;
    position_ = position;
}

}  // namespace qz::gfx
