#include "plot/rx_plot.h"

#include <algorithm>
#include <cmath>

#include "records/geometry.h"

namespace qz {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr gfx::Color kBlack = gfx::Rgb(0, 0, 0);
constexpr gfx::Color kWhite = gfx::Rgb(255, 255, 255);

// Truncation toward zero that cannot leave int: every pixel distance here is
// bounded by the placeholder, but a conversion must not depend on that.
int ToInt(double v) {
    if (!(v == v)) return 0;
    return int(std::clamp(v, -1073741824.0, 1073741824.0));
}

int Rnd(double v) {
    return ToInt(v + 0.5);
}

void Line(gfx::CCanvas& dc, int x1, int y1, int x2, int y2) {
    dc.MoveToEx(x1, y1);
    dc.LineTo(x2, y2);
}

// Beyond this the extent could overflow on its way to a step.
constexpr float kMaxExtent = 1e36f;

}  // namespace

CRxPlot::CRxPlot(Rounding backgroundRounding) : rounding(backgroundRounding) {}

void CRxPlot::SetPlaceholder(gfx::CCanvas& surface, gfx::Size clientSize) {
    pSurface = &surface;
    szClient = clientSize;
}

int CRxPlot::Whole(double v) const {
    return rounding == Rounding::kRound ? Rnd(v) : ToInt(v);
}

float CRxPlot::NiceStep(float x) {
    const float x0 = x;
    if (x <= 0.0001f) x = 0.001f;
    float L = std::log10(x);
    float p, u;
    if (L >= 0) {
        float e = std::trunc(L);
        p = std::pow(10.0f, e);
        u = e < 2 ? p : p / 10;
        if (u > 100) u = 100;
    } else {
        float e = std::trunc(L) - 1;
        p = u = std::pow(10.0f, e);
    }
    float y = x;
    for (int i = 0; i <= 10; ++i) {
        float candidate = p + float(i) * u;
        if (candidate > x) {
            y = candidate;
            break;
        }
    }
    if (y - x0 < u / 10) y += u;
    return y;
}

float CRxPlot::Extent() const {
    float s = 0;
    // Values that are not finite cannot be drawn and must not decide the scale.
    auto widen = [&s](float v) {
        if (std::isfinite(v)) s = std::max(s, std::fabs(v));
    };
    switch (Zzd_Mode) {
        case 0:
            widen(Zzd_1);
            break;
        case 1:
        case 3:
            widen(Zzd_1);
            widen(Zzd_2);
            break;
        case 2:
            widen(Zzd_1);
            widen(Zzd_3);
            break;
        default:
            break;
    }
    if (!pElements) return s;
    for (const auto& pict : *pElements) s = std::max(s, pict->Extent());
    return s;
}

void CRxPlot::FitScale() {
    const int W = szClient.cx, H = szClient.cy;
    rcFrame = {0, 0, W, H};
    rcPlot = {50, 20, W - 20, H - 40};
    ptOrigin = {50 + (W - 70) / 2, (H - 40) - (H - 60) / 2};

    float s = std::min(Extent(), kMaxExtent);
    s = float(double(s) * 1.1);  // a double product, kept as a float
    if (s <= 0.00001f) s = 1;
    float span = 2 * s;
    fStep = NiceStep(span / 10);
    nDivisions = ToInt(span / fStep) + 1;

    int pw = (W - 20) - 50, ph = (H - 40) - 20;
    fPixelsPerStep = pw < ph ? float(pw) / float(nDivisions) : float(ph) / float(nDivisions);
}

void CRxPlot::Refresh() {
    FitScale();
    DrawBackground();
    DrawElements();
}

void CRxPlot::DrawBackground() {
    if (!pSurface) return;
    const int W = szClient.cx, H = szClient.cy;
    if (!pBackground) pBackground = pSurface->CreateLayer(std::max(W, 0), std::max(H, 0));
    gfx::CCanvas& dc = *pBackground;

    dc.SetTransparentText(true);
    gfx::Pen oldPen = dc.SelectPen(gfx::kNullPen);
    gfx::Brush oldBrush = dc.SelectBrush(gfx::kNullBrush);
    gfx::Font oldFont = dc.SelectFont(fontLabel);

    dc.FillRect(rcFrame, kMarginBrush);
    dc.FillRect(rcPlot, kPlotBrush);
    dc.Draw3dRect({0, 0, W, H}, gfx::Rgb(160, 160, 160), kWhite);
    dc.Draw3dRect({1, 1, W, H}, gfx::Rgb(128, 128, 128), kWhite);
    dc.Draw3dRect({48, 18, W - 20, H - 40}, gfx::Rgb(160, 160, 160), kWhite);
    dc.Draw3dRect({49, 19, W - 20, H - 40}, gfx::Rgb(128, 128, 128), kWhite);

    // A plot rectangle with no room has no grid step to walk.
    const bool scaled = fPixelsPerStep > 0 && std::isfinite(fPixelsPerStep);
    dc.SelectPen(kGridPen);
    dc.SelectBrush(gfx::kNullBrush);
    if (scaled) DrawGrid(dc);

    const int ox = ptOrigin.x, oy = ptOrigin.y;
    dc.SelectPen(kAxisPen);
    if (20 <= oy && oy <= H - 40) Line(dc, 50, oy, W - 20, oy);
    if (50 <= ox && ox <= W - 20) Line(dc, ox, H - 40, ox, 20);

    dc.SetTextColor(kBlack);
    const gfx::Point border[3] = {{50, 20}, {50, H - 40}, {W - 20, H - 40}};
    dc.Polyline(border, 3);
    if (scaled) DrawScales(dc);

    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SelectFont(oldFont);
}

void CRxPlot::DrawGrid(gfx::CCanvas& dc) const {
    const int W = szClient.cx, H = szClient.cy;
    const int ox = ptOrigin.x, oy = ptOrigin.y;
    const int right = (W - 20) - ox, left = ox - 50, down = (H - 40) - oy, up = oy - 20;
    const float ps = fPixelsPerStep;

    double wide = std::max(left, right), high = std::max(up, down);
    int rmax = Rnd(std::sqrt(wide * wide + high * high));
    for (int i = 1, n = ToInt(float(rmax) / ps); i <= n; ++i) {
        int r = ToInt(float(i) * ps);
        dc.Ellipse(ox - r, oy - r, ox + r, oy + r);
    }

    for (int i = 1, n = ToInt(float(right) / ps); i <= n; ++i) {
        int x = ox + Whole(float(i) * ps);
        Line(dc, x, 20, x, H - 40);
    }
    for (int i = 1, n = ToInt(float(left) / ps); i <= n; ++i) {
        int x = ox - Whole(float(i) * ps);
        Line(dc, x, 20, x, H - 40);
    }
    for (int i = 1, n = ToInt(float(down) / ps); i <= n; ++i) {
        int y = oy + Whole(float(i) * ps);
        Line(dc, 50, y, W - 20, y);
    }
    for (int i = 1, n = ToInt(float(up) / ps); i <= n; ++i) {
        int y = oy - Whole(float(i) * ps);
        Line(dc, 50, y, W - 20, y);
    }

    for (int i = 1; i < 36; ++i) {
        if (i % 9 == 0) continue;  // the axes
        double dx = i < 9 || i > 27 ? right : left;
        double dy = i < 18 ? up : down;
        int rho = Rnd(std::sqrt(dx * dx + dy * dy));
        double a = i * 10 * kPi / 180;
        Line(dc, ox, oy, ox + Whole(std::cos(a) * rho), oy - Whole(std::sin(a) * rho));
    }
}

void CRxPlot::DrawScales(gfx::CCanvas& dc) const {
    const int W = szClient.cx, H = szClient.cy;
    const int ox = ptOrigin.x, oy = ptOrigin.y;
    const int right = (W - 20) - ox, left = ox - 50, down = (H - 40) - oy, up = oy - 20;
    const float ps = fPixelsPerStep;

    // One half of a scale: ticks at the origin plus i steps in `direction`.
    // `horizontal` scales run along the bottom edge, the others along the left.
    auto half = [&](bool horizontal, int direction, int room, bool labelOnlyEven) {
        const int yb = H - 40, xl = 48;
        const int n = ToInt(float(room) / ps) + 1;
        for (int i = 0; i < n; ++i) {
            const int at = (horizontal ? ox : oy) + direction * Whole(float(i) * ps);
            for (int j = 1; j <= 4; ++j) {
                int minor = at + direction * Whole(float(j) * ps / 5);
                if (horizontal && 50 <= minor && minor <= W - 20)
                    Line(dc, minor, yb, minor, yb + 4);
                if (!horizontal && 20 <= minor && minor <= H - 40)
                    Line(dc, xl, minor, xl - 4, minor);
            }
            if (horizontal ? !(50 <= at && at <= W - 20) : !(20 <= at && at <= H - 40)) continue;
            if (horizontal)
                Line(dc, at, yb, at, yb + 8);
            else
                Line(dc, xl, at, xl - 8, at);
            if (!(i % 2 == 0 || (n <= 3 && !labelOnlyEven))) continue;
            // Upward and rightward are positive; the other halves count down from 0.
            float value = float(i) * fStep;
            if (direction == (horizontal ? -1 : 1)) value = 0 - value;
            Text label = Format("%g", double(value));
            gfx::Size e = dc.TextExtent(label);
            if (horizontal)
                dc.OutText(at - e.cx / 2, yb + 8, label);
            else
                dc.OutText(xl - e.cx - 8, at - e.cy / 2, label);
        }
    };

    half(true, 1, right, false);
    gfx::Size e = dc.TextExtent(u"R(Ω)");
    dc.OutText((W - 20) - e.cx / 2, (H - 40) + e.cy + 10, u"R(Ω)");
    half(true, -1, left, true);

    half(false, -1, up, false);
    e = dc.TextExtent(u"X(Ω)");
    dc.OutText(48 - e.cx - 5, 20 - e.cy, u"X(Ω)");
    half(false, 1, down, false);
}

void CRxPlot::DrawElements() {
    if (!pSurface) return;
    const int W = szClient.cx, H = szClient.cy;
    if (!pElementLayer)
        pElementLayer = pSurface->CreateLayer(std::max(W - 70, 0), std::max(H - 60, 0));
    gfx::CCanvas& dc = *pElementLayer;
    if (pBackground) dc.BitBlt(0, 0, W - 70, H - 60, *pBackground, 50, 20);

    gfx::Pen oldPen = dc.SelectPen(gfx::kNullPen);
    gfx::Brush oldBrush = dc.SelectBrush(gfx::kNullBrush);
    gfx::Font oldFont = dc.SelectFont(fontLabel);

    const double scale = double(fPixelsPerStep) / double(fStep);
    const int x0 = ptOrigin.x - 50, y0 = ptOrigin.y - 20;

    dc.SelectPen(kElementPen);
    if (pElements) {
        for (std::size_t i = 0; i < pElements->size(); ++i) {
            const CPict& pict = *(*pElements)[i];
            // The thick pen picks out a line or an arc, the pieces of a polygon.
            bool outline = pict.Kind() == kPictLine || pict.Kind() == kPictArc;
            if (outline && int(i) + 1 == nHighlightRow) dc.SelectPen(kHighlightPen);
            pict.Draw(dc, x0, y0, scale, scale);
            dc.SelectPen(kElementPen);
        }
    }

    dc.SelectPen(kSettingPen);
    DrawSettingLines(dc);

    dc.SelectPen(kElementPen);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SelectFont(oldFont);
}

void CRxPlot::DrawSettingLines(gfx::CCanvas& dc) const {
    const double scale = double(fPixelsPerStep) / double(fStep);
    const PixelMapping m{ptOrigin.x - 50, ptOrigin.y - 20, scale, scale};
    auto to = [&](double R, double X) { DrawSegment(dc, m.originX, m.originY, m.X(R), m.Y(X)); };
    switch (Zzd_Mode) {
        case 0: {
            RectValue p = PolarToRect(Zzd_1, Zzd_2);
            to(p.R, p.X);
            break;
        }
        case 1:
            to(Zzd_1, 0);
            to(0, Zzd_2);
            break;
        case 2: {
            RectValue p = PolarToRect(Zzd_1, Zzd_2);
            to(p.R, p.X);
            to(Zzd_3, 0);
            break;
        }
        case 3: {
            double a = Zzd_3 * kPi / 180;
            double R = std::fabs(std::cos(a)) < 0.0001 ? 0 : Zzd_2 / std::tan(a);
            to(Zzd_1, 0);
            to(0, Zzd_2);
            to(R, Zzd_2);
            break;
        }
        default:
            break;
    }
}

void CRxPlot::Paint(gfx::CCanvas& dc, int x, int y) const {
    if (pBackground) {
        gfx::Size s = pBackground->GetSize();
        dc.BitBlt(x, y, s.cx, s.cy, *pBackground, 0, 0);
    }
    if (pElementLayer) {
        gfx::Size s = pElementLayer->GetSize();
        dc.BitBlt(x + 50, y + 20, s.cx, s.cy, *pElementLayer, 0, 0);
    }
}

}  // namespace qz
