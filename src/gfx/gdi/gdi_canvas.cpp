#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "base/helpers.h"
#include "base/pixel_limits.h"
#include "base/platform.h"
#include "gfx/clip.h"

namespace qz::gfx {

namespace {

COLORREF Ref(Color c) {
    return RGB(c.r, c.g, c.b);
}

std::wstring Wide(TextView text) {
    return std::wstring(text.begin(), text.end());
}

// Releases a COM interface pointer at scope end.
template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// COM for the calling thread, for as long as the imaging component is used;
// a thread that has it already keeps it as it is.
struct ComScope {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
};

}  // namespace

CGdiCanvas::CGdiCanvas(int width, int height)
    : width_(std::clamp(width, 0, kMaxBitmapSide)), height_(std::clamp(height, 0, kMaxBitmapSide)) {
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) throw std::runtime_error("CreateCompatibleDC failed");
    if (width_ > 0 && height_ > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_) {
            DeleteDC(dc_);
            throw std::runtime_error("CreateDIBSection failed");
        }
        bits_ = static_cast<const std::uint32_t*>(bits);
        oldBitmap_ = SelectObject(dc_, bitmap_);
    } else {
        width_ = height_ = 0;
    }
    // The state a new raster canvas starts with: black pen, white brush,
    // the label font, opaque black text.
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    fontValue_.face.clear();  // differs from the default, so that it is made
    SelectFont(Font{});
    ::SetTextColor(dc_, RGB(0, 0, 0));
}

CGdiCanvas::~CGdiCanvas() {
    SelectObject(dc_, GetStockObject(BLACK_PEN));
    SelectObject(dc_, GetStockObject(WHITE_BRUSH));
    SelectObject(dc_, GetStockObject(SYSTEM_FONT));
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
    if (font_) DeleteObject(font_);
    if (bitmap_) {
        SelectObject(dc_, oldBitmap_);
        DeleteObject(bitmap_);
    }
    DeleteDC(dc_);
}

Color CGdiCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel");
    GdiFlush();
    std::uint32_t v = bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
    return Rgb(int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF));
}

Pen CGdiCanvas::SelectPen(const Pen& pen) {
    if (pen == penValue_) return pen;
    HPEN made = pen.style == Pen::kNull ? nullptr
                                        : CreatePen(pen.style == Pen::kDash ? PS_DASH : PS_SOLID,
                                                    pen.width, Ref(pen.color));
    SelectObject(dc_, made ? HGDIOBJ(made) : GetStockObject(NULL_PEN));
    if (pen_) DeleteObject(pen_);
    pen_ = made;
    return std::exchange(penValue_, pen);
}

Brush CGdiCanvas::SelectBrush(const Brush& brush) {
    if (brush == brushValue_) return brush;
    HBRUSH made = brush.style == Brush::kNull ? nullptr : CreateSolidBrush(Ref(brush.color));
    SelectObject(dc_, made ? HGDIOBJ(made) : GetStockObject(NULL_BRUSH));
    if (brush_) DeleteObject(brush_);
    brush_ = made;
    return std::exchange(brushValue_, brush);
}

Font CGdiCanvas::SelectFont(const Font& font) {
    if (font == fontValue_) return font;
    std::wstring face = Wide(TextView(font.face).substr(0, LF_FACESIZE - 1));
    HFONT made = CreateFontW(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    SelectObject(dc_, made ? HGDIOBJ(made) : GetStockObject(SYSTEM_FONT));
    if (font_) DeleteObject(font_);
    font_ = made;
    return std::exchange(fontValue_, font);
}

void CGdiCanvas::SetTransparentText(bool transparent) {
    SetBkMode(dc_, transparent ? TRANSPARENT : OPAQUE);
}

void CGdiCanvas::SetTextColor(Color color) {
    ::SetTextColor(dc_, Ref(color));
}

void CGdiCanvas::FillSolid(int left, int top, int right, int bottom, Color color) {
    // MFC's FillSolidRect: an opaque empty text over the box.
    COLORREF old = SetBkColor(dc_, Ref(color));
    RECT r{left, top, right, bottom};
    ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc_, old);
}

void CGdiCanvas::FillRect(const Rect& rect, const Brush& brush) {
    if (brush.style == Brush::kNull) return;
    HBRUSH b = CreateSolidBrush(Ref(brush.color));
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    ::FillRect(dc_, &r, b);
    DeleteObject(b);
}

void CGdiCanvas::Draw3dRect(const Rect& rect, Color topLeft, Color bottomRight) {
    Draw3dRectBars(rect, topLeft, bottomRight,
                   [this](int l, int t, int r, int b, Color c) { FillSolid(l, t, r, b, c); });
}

void CGdiCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (!Huge(left, top, right, bottom)) {
        ::Ellipse(dc_, left, top, right, bottom);
        return;
    }
    Curve curve = CurveOf(left, top, right, bottom, 0, 2 * kPi);
    if (brushValue_.style != Brush::kNull) {
        std::vector<POINT> inside = ClipPolygon(curve.points);
        if (inside.size() >= 3) {
            HGDIOBJ pen = SelectObject(dc_, GetStockObject(NULL_PEN));
            ::Polygon(dc_, inside.data(), int(inside.size()));
            SelectObject(dc_, pen);
        }
    }
    DrawCurve(curve);
}

void CGdiCanvas::Arc(int left, int top, int right, int bottom, int xs, int ys, int xe, int ye) {
    if (!Huge(left, top, right, bottom)) {
        ::Arc(dc_, left, top, right, bottom, xs, ys, xe, ye);
        return;
    }
    // GDI's rays run from the box's centre through the two points.
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = std::abs(double(right) - left), ry = std::abs(double(bottom) - top);
    auto parameter = [&](double x, double y) {
        double angle = std::atan2(cy - y, x - cx);
        return std::atan2(rx * std::sin(angle), ry * std::cos(angle));
    };
    double from = parameter(xs, ys), to = parameter(xe, ye);
    if (to <= from) to += 2 * kPi;
    DrawCurve(CurveOf(left, top, right, bottom, from, to));
}

bool CGdiCanvas::Huge(int left, int top, int right, int bottom) const {
    return std::max({std::abs(double(left)), std::abs(double(top)), std::abs(double(right)),
                     std::abs(double(bottom))}) > kNativeCurveLimit;
}

CGdiCanvas::Curve CGdiCanvas::CurveOf(int left, int top, int right, int bottom, double from,
                                      double to) const {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    // The outline runs through the centres of the box's outer pixels.
    const double cx = (double(left) + right - 1) / 2, cy = (double(top) + bottom - 1) / 2;
    const double rx = (double(right) - left - 1) / 2, ry = (double(bottom) - top - 1) / 2;
    // Chords stay within a quarter pixel of the curve.
    const double step = std::min(0.1, std::sqrt(2 / std::max({rx, ry, 1.0})));
    const auto n = std::size_t(std::ceil((to - from) / step));
    Curve curve;
    curve.points.reserve(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
        double t = i == n ? to : from + double(i) * step;
        curve.points.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    return curve;
}

void CGdiCanvas::DrawCurve(const Curve& curve) {
    if (penValue_.style == Pen::kNull) return;
    const double m = penValue_.width + 2;
    for (std::size_t i = 1; i < curve.points.size(); ++i) {
        auto [x0, y0] = curve.points[i - 1];
        auto [x1, y1] = curve.points[i];
        if (!ClipSegment(x0, y0, x1, y1, -m, -m, width_ + m, height_ + m)) continue;
        ::MoveToEx(dc_, RoundToInt(x0), RoundToInt(y0), nullptr);
        ::LineTo(dc_, RoundToInt(x1), RoundToInt(y1));
    }
}

std::vector<POINT> CGdiCanvas::ClipPolygon(const std::vector<std::array<double, 2>>& points) const {
    // Sutherland-Hodgman against the four sides of the bitmap and a margin.
    std::vector<std::array<double, 2>> poly = points, next;
    const double lo = -2, hiX = width_ + 2, hiY = height_ + 2;
    auto side = [&](int axis, double bound, bool keepBelow) {
        next.clear();
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const auto& a = poly[i];
            const auto& b = poly[(i + 1) % poly.size()];
            bool aIn = keepBelow ? a[axis] <= bound : a[axis] >= bound;
            bool bIn = keepBelow ? b[axis] <= bound : b[axis] >= bound;
            if (aIn) next.push_back(a);
            if (aIn != bIn) {
                double t = (bound - a[axis]) / (b[axis] - a[axis]);
                next.push_back({a[0] + t * (b[0] - a[0]), a[1] + t * (b[1] - a[1])});
            }
        }
        poly.swap(next);
    };
    side(0, lo, false);
    side(0, hiX, true);
    side(1, lo, false);
    side(1, hiY, true);
    std::vector<POINT> out;
    for (const auto& p : poly) out.push_back({RoundToInt(p[0]), RoundToInt(p[1])});
    return out;
}

void CGdiCanvas::MoveToEx(int x, int y) {
    ::MoveToEx(dc_, x, y, nullptr);
}

void CGdiCanvas::LineTo(int x, int y) {
    ::LineTo(dc_, x, y);
}

void CGdiCanvas::Polyline(const Point* points, int count) {
    if (count < 2) return;
    std::vector<POINT> p(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) p[std::size_t(i)] = {points[i].x, points[i].y};
    ::Polyline(dc_, p.data(), count);
}

void CGdiCanvas::OutText(int x, int y, TextView text) {
    if (text.empty()) return;
    std::wstring w = Wide(text);
    TextOutW(dc_, x, y, w.c_str(), int(w.size()));
}

Size CGdiCanvas::TextExtent(TextView text) {
    std::wstring w = Wide(text);
    SIZE size{};
    if (w.empty()) {
        TEXTMETRICW tm{};
        GetTextMetricsW(dc_, &tm);
        return {0, int(tm.tmHeight)};
    }
    GetTextExtentPoint32W(dc_, w.c_str(), int(w.size()), &size);
    return {int(size.cx), int(size.cy)};
}

std::unique_ptr<CCanvas> CGdiCanvas::CreateLayer(int width, int height) {
    return std::make_unique<CGdiCanvas>(width, height);
}

void CGdiCanvas::BitBlt(int x, int y, int width, int height, const CCanvas& source, int sx,
                        int sy) {
    const auto* from = dynamic_cast<const CGdiCanvas*>(&source);
    if (!from || width <= 0 || height <= 0) return;
    ::BitBlt(dc_, x, y, width, height, from->dc_, sx, sy, SRCCOPY);
}

std::vector<std::uint8_t> CGdiCanvas::EncodePng() const {
    std::vector<std::uint8_t> out;
    if (width_ == 0 || height_ == 0) return out;
    GdiFlush();
    // Rows of BGR, as the PNG encoder takes them without conversion.
    const UINT stride = (UINT(width_) * 3 + 3) & ~3u;
    std::vector<BYTE> rows(std::size_t(stride) * std::size_t(height_));
    for (int y = 0; y < height_; ++y) {
        BYTE* row = rows.data() + std::size_t(y) * stride;
        for (int x = 0; x < width_; ++x) {
            std::uint32_t v = bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)];
            row[3 * x] = BYTE(v & 0xFF);
            row[3 * x + 1] = BYTE(v >> 8 & 0xFF);
            row[3 * x + 2] = BYTE(v >> 16 & 0xFF);
        }
    }

    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
        SUCCEEDED(frame->Initialize(options.p)) &&
        SUCCEEDED(frame->SetSize(UINT(width_), UINT(height_))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
        SUCCEEDED(frame->WritePixels(UINT(height_), stride, UINT(rows.size()), rows.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (!ok) return out;
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(GetHGlobalFromStream(stream.p, &memory)) ||
        FAILED(stream->Stat(&stat, STATFLAG_NONAME)))
        return out;
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
    if (!data) return out;
    out.assign(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return out;
}

bool CGdiCanvas::SavePng(const std::string& utf8Path) const {
    std::vector<std::uint8_t> bytes = EncodePng();
    return !bytes.empty() && SaveFileReplacing(utf8Path, bytes);
}

}  // namespace qz::gfx
#endif
