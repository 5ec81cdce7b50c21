#include "plot/rx_plot.h"

#include <algorithm>
#include <cmath>

#include "gfx/clip.h"
#include "records/geometry.h"

namespace qz {

namespace {

constexpr gfx::Color kBlack = gfx::Rgb(0, 0, 0);

// Every pixel distance here is bounded by the placeholder, but a conversion
// must not depend on that: the guarded ones of base.  The plot rounds as the
// pixel mapping does, adding half a pixel before truncation.
int Rnd(double v) {
    return TruncToInt(v + 0.5);
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
    if (&surface != pSurface || clientSize != szClient) {
        pBackground.reset();
        pElementLayer.reset();
    }
    pSurface = &surface;
    szClient = clientSize;
}

int CRxPlot::Whole(double v) const {
    return rounding == Rounding::kRound ? Rnd(v) : TruncToInt(v);
}

gfx::Rect CRxPlot::PlotRect() const {
    return {kMarginLeft, kMarginTop, szClient.cx - kMarginRight, szClient.cy - kMarginBottom};
}

CRxPlot::Reach CRxPlot::ReachFromOrigin(const gfx::Rect& plot) const {
    const int ox = ptOrigin.x, oy = ptOrigin.y;
    return {plot.right - ox, ox - plot.left, plot.bottom - oy, oy - plot.top};
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
    float s = SettingExtent(setting);
    // The band's outer outline and the shots stay in the window too.
    for (const PlotShot& shot : shots)
        s = std::max({s, float(std::fabs(shot.R)), float(std::fabs(shot.X))});
    if (!pElements) return s;
    const float outer = fBandOuter > 1 ? float(fBandOuter) : 1;
    for (const auto& pict : *pElements) s = std::max(s, pict->Extent() * outer);
    return s;
}

void CRxPlot::FitScale() {
    rcFrame = {0, 0, szClient.cx, szClient.cy};
    rcPlot = PlotRect();
    const int pw = rcPlot.Width(), ph = rcPlot.Height();
    ptOrigin = {rcPlot.left + pw / 2, rcPlot.bottom - ph / 2};

    float s = std::min(Extent(), kMaxExtent);
    s = float(double(s) * kHeadroom);  // a double product, kept as a float
    if (s <= 0.00001f) s = 1;
    float span = 2 * s;
    fStep = NiceStep(span / kTargetDivisions);
    nDivisions = TruncToInt(span / fStep) + 1;

    fPixelsPerStep = pw < ph ? float(pw) / float(nDivisions) : float(ph) / float(nDivisions);
}

void CRxPlot::Refresh() {
    FitScale();
    DrawBackground();
    DrawElements();
}

void CRxPlot::RefreshOnto(gfx::CCanvas& dc, int x, int y) {
    FitScale();
    const gfx::Rect plot = PlotRect();
    if (!dc.PushClip({x, y, x + szClient.cx, y + szClient.cy}, {x, y})) {
        DrawBackground();
        DrawElements();
        Paint(dc, x, y);
        return;
    }
    DrawBackgroundOn(dc);
    dc.PopClip();
    if (dc.PushClip({x + plot.left, y + plot.top, x + plot.right, y + plot.bottom},
                    {x + plot.left, y + plot.top})) {
        if (dc.RepeatsUnderClip()) {
            dc.PushClip({0, 0, plot.Width(), plot.Height()}, {-plot.left, -plot.top});
            DrawBackgroundOn(dc);
            dc.PopClip();
        }
        DrawElementsOn(dc);
        dc.PopClip();
    }
}

void CRxPlot::DrawBackground() {
    if (!pSurface) return;
    const int W = szClient.cx, H = szClient.cy;
    if (!pBackground) pBackground = pSurface->CreateLayer(std::max(W, 0), std::max(H, 0));
    DrawBackgroundOn(*pBackground);
}

void CRxPlot::DrawBackgroundOn(gfx::CCanvas& dc) const {
    const int W = szClient.cx, H = szClient.cy;
    const gfx::Rect plot = PlotRect();
    dc.SetTransparentText(true);
    gfx::Pen oldPen = dc.SelectPen(gfx::kNullPen);
    gfx::Brush oldBrush = dc.SelectBrush(gfx::kNullBrush);
    gfx::Font oldFont = dc.SelectFont(fontLabel);

    dc.FillRect(rcFrame, kMarginBrush);
    dc.FillRect(rcPlot, kPlotBrush);
    dc.Draw3dRect({0, 0, W, H}, kBevelShadow, kBevelLight);
    dc.Draw3dRect({1, 1, W, H}, kBevelDarkShadow, kBevelLight);
    const int frameLeft = plot.left - kFrame, frameTop = plot.top - kFrame;
    dc.Draw3dRect({frameLeft, frameTop, plot.right, plot.bottom}, kBevelShadow, kBevelLight);
    dc.Draw3dRect({frameLeft + 1, frameTop + 1, plot.right, plot.bottom}, kBevelDarkShadow,
                  kBevelLight);

    // A plot rectangle with no room has no grid step to walk.
    const bool scaled = fPixelsPerStep > 0 && std::isfinite(fPixelsPerStep);
    dc.SelectPen(kGridPen);
    dc.SelectBrush(gfx::kNullBrush);
    if (scaled) DrawGrid(dc);

    const int ox = ptOrigin.x, oy = ptOrigin.y;
    dc.SelectPen(kAxisPen);
    if (plot.top <= oy && oy <= plot.bottom) Line(dc, plot.left, oy, plot.right, oy);
    if (plot.left <= ox && ox <= plot.right) Line(dc, ox, plot.bottom, ox, plot.top);

    dc.SetTextColor(kBlack);
    const gfx::Point border[3] = {
        {plot.left, plot.top}, {plot.left, plot.bottom}, {plot.right, plot.bottom}};
    dc.Polyline(border, 3);
    if (scaled) DrawScales(dc);

    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SelectFont(oldFont);
}

void CRxPlot::DrawGrid(gfx::CCanvas& dc) const {
    const gfx::Rect plot = PlotRect();
    const int ox = ptOrigin.x, oy = ptOrigin.y;
    const auto [right, left, down, up] = ReachFromOrigin(plot);
    const float ps = fPixelsPerStep;

    double wide = std::max(left, right), high = std::max(up, down);
    int rmax = Rnd(std::sqrt(wide * wide + high * high));
    for (int i = 1, n = TruncToInt(float(rmax) / ps); i <= n; ++i) {
        int r = TruncToInt(float(i) * ps);
        dc.Ellipse(ox - r, oy - r, ox + r, oy + r);
    }

    for (int i = 1, n = TruncToInt(float(right) / ps); i <= n; ++i) {
        int x = ox + Whole(float(i) * ps);
        Line(dc, x, plot.top, x, plot.bottom);
    }
    for (int i = 1, n = TruncToInt(float(left) / ps); i <= n; ++i) {
        int x = ox - Whole(float(i) * ps);
        Line(dc, x, plot.top, x, plot.bottom);
    }
    for (int i = 1, n = TruncToInt(float(down) / ps); i <= n; ++i) {
        int y = oy + Whole(float(i) * ps);
        Line(dc, plot.left, y, plot.right, y);
    }
    for (int i = 1, n = TruncToInt(float(up) / ps); i <= n; ++i) {
        int y = oy - Whole(float(i) * ps);
        Line(dc, plot.left, y, plot.right, y);
    }

    constexpr int kRays = 360 / kRayDegrees, kQuarter = kRays / 4;
    for (int i = 1; i < kRays; ++i) {
        if (i % kQuarter == 0) continue;  // the axes
        double dx = i < kQuarter || i > 3 * kQuarter ? right : left;
        double dy = i < 2 * kQuarter ? up : down;
        int rho = Rnd(std::sqrt(dx * dx + dy * dy));
        double a = i * kRayDegrees * kPi / 180;
        Line(dc, ox, oy, ox + Whole(std::cos(a) * rho), oy - Whole(std::sin(a) * rho));
    }
}

void CRxPlot::DrawScales(gfx::CCanvas& dc) const {
    const gfx::Rect plot = PlotRect();
    const int ox = ptOrigin.x, oy = ptOrigin.y;
    const auto [right, left, down, up] = ReachFromOrigin(plot);
    const float ps = fPixelsPerStep;
    const int yb = plot.bottom, xl = plot.left - kFrame;
    auto onX = [&](int x) { return plot.left <= x && x <= plot.right; };
    auto onY = [&](int y) { return plot.top <= y && y <= plot.bottom; };

    // One half of a scale: ticks at the origin plus i steps in `direction`.
    // `horizontal` scales run along the bottom edge, the others along the left.
    auto half = [&](bool horizontal, int direction, int room, bool labelOnlyEven) {
        const int n = TruncToInt(float(room) / ps) + 1;
        for (int i = 0; i < n; ++i) {
            const int at = (horizontal ? ox : oy) + direction * Whole(float(i) * ps);
            for (int j = 1; j < kMinorDivisions; ++j) {
                int minor = at + direction * Whole(float(j) * ps / kMinorDivisions);
                if (horizontal && onX(minor)) Line(dc, minor, yb, minor, yb + kMinorTick);
                if (!horizontal && onY(minor)) Line(dc, xl, minor, xl - kMinorTick, minor);
            }
            if (horizontal ? !onX(at) : !onY(at)) continue;
            if (horizontal)
                Line(dc, at, yb, at, yb + kMajorTick);
            else
                Line(dc, xl, at, xl - kMajorTick, at);
            if (!(i % kLabelEvery == 0 || (n <= kFewTicks && !labelOnlyEven))) continue;
            // Upward and rightward are positive; the other halves count down from 0.
            float value = float(i) * fStep;
            if (direction == (horizontal ? -1 : 1)) value = 0 - value;
            Text label = Format("%g", double(value));
            gfx::Size e = dc.TextExtent(label);
            if (horizontal)
                dc.OutText(at - e.cx / 2, yb + kMajorTick, label);
            else
                dc.OutText(xl - e.cx - kMajorTick, at - e.cy / 2, label);
        }
    };

    half(true, 1, right, false);
    gfx::Size e = dc.TextExtent(u"R(Ω)");
    dc.OutText(plot.right - e.cx / 2, yb + e.cy + kRTitleDrop, u"R(Ω)");
    half(true, -1, left, true);

    half(false, -1, up, false);
    e = dc.TextExtent(u"X(Ω)");
    dc.OutText(xl - e.cx - kXTitleGap, plot.top - e.cy, u"X(Ω)");
    half(false, 1, down, false);
}

void CRxPlot::DrawElements() {
    if (!pSurface) return;
    const gfx::Rect plot = PlotRect();
    if (!pElementLayer)
        pElementLayer =
            pSurface->CreateLayer(std::max(plot.Width(), 0), std::max(plot.Height(), 0));
    gfx::CCanvas& dc = *pElementLayer;
    if (pBackground)
        dc.BitBlt(0, 0, plot.Width(), plot.Height(), *pBackground, plot.left, plot.top);
    DrawElementsOn(dc);
}

void CRxPlot::DrawElementsOn(gfx::CCanvas& dc) const {
    const gfx::Rect plot = PlotRect();
    gfx::Pen oldPen = dc.SelectPen(gfx::kNullPen);
    gfx::Brush oldBrush = dc.SelectBrush(gfx::kNullBrush);
    gfx::Font oldFont = dc.SelectFont(fontLabel);

    const double scale = Scale();
    const int x0 = ptOrigin.x - plot.left, y0 = ptOrigin.y - plot.top;

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

    DrawBandAndShots(dc);
    dc.SelectPen(kSettingPen);
    DrawSettingLines(dc);
    DrawTrace(dc);

    dc.SelectPen(kElementPen);
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    dc.SelectFont(oldFont);
}

void CRxPlot::DrawShotMark(gfx::CCanvas& dc, int x, int y, bool trip) {
    dc.SelectPen(kShotPen);
    dc.SelectBrush(trip ? kShotBrush : gfx::kNullBrush);
    dc.Ellipse(x - kShotRadius, y - kShotRadius, x + kShotRadius + 1, y + kShotRadius + 1);
}

void CRxPlot::DrawBandAndShots(gfx::CCanvas& dc) const {
    const double scale = Scale();
    const PixelMapping m{ptOrigin.x - kMarginLeft, ptOrigin.y - kMarginTop, scale, scale};
    if (pElements && (fBandInner > 0 || fBandOuter > 0)) {
        // GDI fills a dash's gaps unless the background mode is transparent.
        dc.SetTransparentText(true);
        dc.SelectPen(kBandPen);
        for (double k : {fBandInner, fBandOuter}) {
            if (!(k > 0)) continue;
            for (const auto& pict : *pElements)
                pict->Draw(dc, m.originX, m.originY, scale * k, scale * k);
        }
    }
    const gfx::Brush oldBrush = dc.SelectBrush(gfx::kNullBrush);
    for (const PlotShot& shot : shots)
        DrawShotMark(dc, TruncToInt(m.X(shot.R)), TruncToInt(m.Y(shot.X)), shot.trip);
    dc.SelectBrush(oldBrush);
}

void CRxPlot::DrawTraceMark(gfx::CCanvas& dc, int x, int y, bool end) {
    const int r = kTraceMark;
    dc.SelectPen(kTracePen);
    if (end) {
        dc.FillRect({x - r, y - r, x + r + 1, y + r + 1}, kTraceBrush);
        return;
    }
    const gfx::Point box[] = {
        {x - r, y - r}, {x + r, y - r}, {x + r, y + r}, {x - r, y + r}, {x - r, y - r}};
    dc.Polyline(box, 5);
}

void CRxPlot::DrawTrace(gfx::CCanvas& dc) const {
    const std::vector<TracePoint>& p = trace.points;
    if (p.empty()) return;
    const double scale = Scale();
    const PixelMapping m{ptOrigin.x - kMarginLeft, ptOrigin.y - kMarginTop, scale, scale};
    // The plot rectangle and a pixel round it: the trace is cut to it before
    // it becomes whole pixels, so that a far point never has to.
    const double loX = -1, loY = -1, hiX = rcPlot.Width() + 1, hiY = rcPlot.Height() + 1;
    const auto visible = [&](double x, double y) {
        return x >= loX && x <= hiX && y >= loY && y <= hiY;
    };
    const auto whole = [](double x, double y) {
        return gfx::Point{TruncToInt(x, kPixelLimit), TruncToInt(y, kPixelLimit)};
    };

    dc.SelectPen(kTracePen);
    // Pieces of polyline: each ends where the trace leaves the plot or breaks
    // off, and a new one starts where it comes back.
    std::vector<gfx::Point> run;
    const auto flush = [&] {
        if (run.size() > 1) dc.Polyline(run.data(), int(run.size()));
        run.clear();
    };
    for (std::size_t i = 1; i < p.size(); ++i) {
        const double ax = m.X(p[i - 1].R), ay = m.Y(p[i - 1].X), bx = m.X(p[i].R), by = m.Y(p[i].X);
        double x1 = ax, y1 = ay, x2 = bx, y2 = by;
        const bool joined = !(trace.join > 0) || p[i].t - p[i - 1].t <= trace.join;
        if (!joined || !PullInFarEnd(x1, y1, x2, y2) ||
            !gfx::ClipSegment(x1, y1, x2, y2, loX, loY, hiX, hiY)) {
            flush();
            continue;
        }
        if (x1 != ax || y1 != ay) flush();
        if (run.empty()) run.push_back(whole(x1, y1));
        // A fault's points stand still: one pixel once.
        if (const gfx::Point q = whole(x2, y2); !(q == run.back())) run.push_back(q);
        if (x2 != bx || y2 != by) flush();
    }
    flush();

    if (trace.cycle > 0) {
        const auto cycleOf = [&](const TracePoint& q) {
            // Sample times on a cycle's boundary count as in the new cycle.
            return std::floor((q.t - p.front().t) / trace.cycle + 1e-9);
        };
        for (std::size_t i = 1; i < p.size(); ++i) {
            const double x = m.X(p[i].R), y = m.Y(p[i].X);
            if (!(cycleOf(p[i]) > cycleOf(p[i - 1])) || !visible(x, y)) continue;
            // Across the way the trace goes into the point; upright where it
            // stands still.
            const double dx = x - m.X(p[i - 1].R), dy = y - m.Y(p[i - 1].X);
            const double length = std::hypot(dx, dy);
            double nx = 0, ny = 1;
            if (length > 0 && std::isfinite(length)) nx = -dy / length, ny = dx / length;
            const gfx::Point c = whole(x, y);
            const int ox = RoundToInt(nx * kTraceMark), oy = RoundToInt(ny * kTraceMark);
            dc.MoveToEx(c.x - ox, c.y - oy);
            dc.LineTo(c.x + ox, c.y + oy);
        }
    }
    for (bool end : {false, true}) {
        const TracePoint& q = end ? p.back() : p.front();
        const double x = m.X(q.R), y = m.Y(q.X);
        if (!visible(x, y)) continue;
        const gfx::Point c = whole(x, y);
        DrawTraceMark(dc, c.x, c.y, end);
    }
}

void CRxPlot::DrawSettingLines(gfx::CCanvas& dc) const {
    const double scale = Scale();
    const PixelMapping m{ptOrigin.x - kMarginLeft, ptOrigin.y - kMarginTop, scale, scale};
    for (const OhmPoint& end : SettingLineEnds())
        DrawSegment(dc, m.originX, m.originY, m.X(end.R), m.Y(end.X));
}

void CRxPlot::Paint(gfx::CCanvas& dc, int x, int y) const {
    if (pBackground) {
        gfx::Size s = pBackground->GetSize();
        dc.BitBlt(x, y, s.cx, s.cy, *pBackground, 0, 0);
    }
    if (pElementLayer) {
        gfx::Size s = pElementLayer->GetSize();
        dc.BitBlt(x + kMarginLeft, y + kMarginTop, s.cx, s.cy, *pElementLayer, 0, 0);
    }
}

}  // namespace qz
