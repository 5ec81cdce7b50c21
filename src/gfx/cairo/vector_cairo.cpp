#include "gfx/cairo/vector_cairo.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/pixel_limits.h"
#include "base/platform.h"
#include "gfx/cairo/cairo_paths.h"

namespace qz::gfx {

namespace {

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool InRange(double v) {
    return std::abs(v) <= kPixelLimit;
}

// Round ends and joins on wide pens, as the raster canvas's and GDI's have.
cairo_line_cap_t CapOf(const Pen& pen) {
    return pen.width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT;
}

}  // namespace

CVectorCanvas::CVectorCanvas(Format format, int width, int height, int pixelsPerUnit)
    : format_(format), gather_(format != Format::kPng) {
    // An image's side is bounded by Cairo's; a document's only by its coordinates.
    const int limit = format == Format::kPng ? kMaxBitmapSide : int(kPixelLimit);
    width_ = std::clamp(width, 0, limit);
    height_ = std::clamp(height, 0, limit);
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
    Init(scale, scale);
}

CVectorCanvas::CVectorCanvas(double pageWidth, double pageHeight, double pointsPerUnit)
    : format_(Format::kPdf), gather_(true) {
    const double scale = pointsPerUnit > 0 ? pointsPerUnit : 1;
    width_ = int(std::clamp(pageWidth / scale, 0.0, kPixelLimit));
    height_ = int(std::clamp(pageHeight / scale, 0.0, kPixelLimit));
    surface_ = cairo_pdf_surface_create_for_stream(Append, &bytes_, pageWidth, pageHeight);
    cr_ = cairo_create(surface_);
    cairo_scale(cr_, scale, scale);
    Init(1, scale);
}

void CVectorCanvas::Init(int pixelsPerUnit, double deviceScale) {
    pixelsPerUnit_ = pixelsPerUnit;
    if (!cr_) {
        cr_ = cairo_create(surface_);
        cairo_scale(cr_, pixelsPerUnit, pixelsPerUnit);
    }
    // Glyphs keep their own outlines, as documents and enlarged images want;
    // their advances are whole units, as the raster canvas measures them.
    // Cairo rounds hinted advances in the device's units: at a scale that is
    // not whole OutText places each glyph itself.
    roundAdvances_ = deviceScale != std::floor(deviceScale);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(
        options, roundAdvances_ ? CAIRO_HINT_METRICS_OFF : CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    SelectStandInFont(cr_, font_);
}

CVectorCanvas::~CVectorCanvas() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) cairo_surface_destroy(surface_);
}

void CVectorCanvas::NextPage() {
    if (finished_ || format_ != Format::kPdf) return;
    Flush();
    cairo_show_page(cr_);
}

std::vector<std::uint8_t> CVectorCanvas::Finish() {
    if (finished_ || !surface_) return bytes_;
    Flush();
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
    return std::exchange(pen_, pen);
}

Brush CVectorCanvas::SelectBrush(const Brush& brush) {
    return std::exchange(brush_, brush);
}

Font CVectorCanvas::SelectFont(const Font& font) {
    measure_.SelectFont(font);
    SelectStandInFont(cr_, font);
    return std::exchange(font_, font);
}

void CVectorCanvas::SetSource(Color c) {
    cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void CVectorCanvas::Flush() {
    if (!pending_) return;
    pending_ = false;
    SetSource(pendingPen_.color);
    cairo_set_line_width(cr_, std::max(pendingPen_.width, 1));
    cairo_set_line_cap(cr_, pendingCap_);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    SetDash(cr_, pendingPen_);
    cairo_stroke(cr_);
}

void CVectorCanvas::BeginStroke(cairo_line_cap_t cap) {
    if (pending_ && (pendingPen_ != pen_ || pendingCap_ != cap)) Flush();
    if (!pending_) cairo_new_path(cr_);
}

void CVectorCanvas::EndStroke(cairo_line_cap_t cap) {
    pending_ = true;
    pendingPen_ = pen_;
    pendingCap_ = cap;
    if (!gather_) Flush();
}

void CVectorCanvas::Fill(double left, double top, double right, double bottom, Color color) {
    Flush();
    if (left >= right || top >= bottom) return;
    cairo_new_path(cr_);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    SetSource(color);
    cairo_fill(cr_);
}

void CVectorCanvas::FillRect(const Rect& rect, const Brush& brush) {
    if (brush.style != Brush::kNull)
        Fill(rect.left, rect.top, rect.right, rect.bottom, brush.color);
}

void CVectorCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    Draw3dRectBars(rect, topLeft, bottomRight,
                   [this](int l, int t, int r, int b, Color c) { Fill(l, t, r, b, c); });
}

void CVectorCanvas::LineTo(int x, int y) {
    const Point points[2] = {position_, {x, y}};
    position_ = {x, y};
    Polyline(points, 2);
}

void CVectorCanvas::Polyline(const Point* points, int count) {
    if (pen_.style == Pen::kNull || count < 2) return;
    for (int i = 0; i < count; ++i)
        if (!InRange(points[i].x) || !InRange(points[i].y)) return;
    BeginStroke(CapOf(pen_));
    // Through the centres of the pixels the raster canvas walks.
    cairo_move_to(cr_, points[0].x + 0.5, points[0].y + 0.5);
    for (int i = 1; i < count; ++i) cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
    EndStroke(CapOf(pen_));
}

void CVectorCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return;
    if (right - left < 2 || bottom - top < 2) {
        // Too thin for a curve: a line of pixels, or nothing for an empty box.
        if (pen_.style == Pen::kNull && brush_.style == Brush::kNull) return;
        Fill(left, top, right, bottom, pen_.style != Pen::kNull ? pen_.color : brush_.color);
        return;
    }
    if (brush_.style == Brush::kNull) {
        if (pen_.style == Pen::kNull) return;
        BeginStroke(CapOf(pen_));
        EllipseOutline(cr_, left, top, right, bottom, nullptr, true);
        EndStroke(CapOf(pen_));
        return;
    }
    Flush();
    EllipseOutline(cr_, left, top, right, bottom, nullptr);
    SetSource(brush_.color);
    if (pen_.style == Pen::kNull) {
        cairo_fill(cr_);
        return;
    }
    cairo_fill_preserve(cr_);
    EndStroke(CapOf(pen_));
    Flush();
}

void CVectorCanvas::Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    if (pen_.style == Pen::kNull) return;
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return;
    if (std::abs(right - left) < 2 || std::abs(bottom - top) < 2) {
        Fill(std::min(left, right), std::min(top, bottom), std::max(left, right),
             std::max(top, bottom), pen_.color);
        return;
    }
    double rays[2];
    const bool full = ArcRays(left, top, right, bottom, xs, ys, xe, ye, rays);
    BeginStroke(CAIRO_LINE_CAP_ROUND);
    EllipseOutline(cr_, std::min(left, right), std::min(top, bottom), std::max(left, right),
                   std::max(top, bottom), full ? nullptr : rays, true);
    EndStroke(CAIRO_LINE_CAP_ROUND);
}

Size CVectorCanvas::TextExtent(TextView text) {
    return measure_.TextExtent(text);
}

void CVectorCanvas::OutText(int x, int y, TextView text) {
    if (text.empty() || !InRange(x) || !InRange(y)) return;
    if (!transparent_) {
        Size size = TextExtent(text);
        Fill(x, y, x + size.cx, y + size.cy, Rgb(255, 255, 255));
    }
    Flush();
    SetSource(textColor_);
    cairo_new_path(cr_);
    const std::string utf8 = ToUtf8Lossy(text);
    if (!roundAdvances_) {
        cairo_move_to(cr_, x, y + measure_.Ascent());
        cairo_show_text(cr_, utf8.c_str());
        cairo_new_path(cr_);
        return;
    }
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr_), x, y + measure_.Ascent(),
                                         utf8.data(), int(utf8.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) != CAIRO_STATUS_SUCCESS)
        return;
    // One glyph a character, each where the raster canvas puts it.
    int at = x;
    std::size_t i = 0;
    for (int g = 0; g < count && i < text.size(); ++g) {
        const std::size_t length =
            i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF ? 2 : 1;
        glyphs[g].x = at;
        at += measure_.TextExtent(text.substr(i, length)).cx;
        i += length;
    }
    cairo_show_glyphs(cr_, glyphs, count);
    cairo_glyph_free(glyphs);
}

bool CVectorCanvas::PushClip(const Rect& clip, Point origin) {
    Flush();
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, clip.left, clip.top, std::max(clip.Width(), 0),
                    std::max(clip.Height(), 0));
    cairo_clip(cr_);
    cairo_translate(cr_, origin.x, origin.y);
    ++clips_;
    return true;
}

void CVectorCanvas::PopClip() {
    if (clips_ == 0) return;
    Flush();
    --clips_;
    cairo_restore(cr_);
    // The restore brings back the face of the push; the selection stands.
    SelectStandInFont(cr_, font_);
}

std::unique_ptr<CCanvas> CVectorCanvas::CreateLayer(int width, int height) {
    return std::make_unique<CVectorCanvas>(Format::kPng, std::max(width, 0), std::max(height, 0),
                                           pixelsPerUnit_);
}

void CVectorCanvas::BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                           int sy) {
    const auto* from = dynamic_cast<const CVectorCanvas*>(&source);
    if (!from || from->format_ != Format::kPng || from->finished_ || width <= 0 || height <= 0)
        return;
    const Size size = from->GetSize();
    // The block, cut to the layer's own extent, where alone it holds anything.
    const int left = std::max(x, x - sx), top = std::max(y, y - sy);
    const int right = std::min(x + width, x - sx + size.cx);
    const int bottom = std::min(y + height, y - sy + size.cy);
    if (left >= right || top >= bottom) return;
    Flush();
    cairo_surface_flush(from->surface_);
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    cairo_clip(cr_);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(from->surface_);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, from->pixelsPerUnit_, from->pixelsPerUnit_);
    cairo_matrix_translate(&m, sx - x, sy - y);
    cairo_pattern_set_matrix(pattern, &m);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_set_source(cr_, pattern);
    cairo_paint(cr_);
    cairo_pattern_destroy(pattern);
    cairo_restore(cr_);
}

}  // namespace qz::gfx
