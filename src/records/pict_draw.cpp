// What each element draws, and how far it reaches.  Points are mapped with
// PixelMapping; anything that cannot be mapped into the limit box is clipped
// or left out (see kPixelLimit).
#include <algorithm>
#include <cmath>

#include "gfx/canvas.h"
#include "gfx/clip.h"
#include "records/geometry.h"

namespace qz {

namespace {

bool InBox(double v) {
    return std::fabs(v) <= kPixelLimit;
}

// An unrounded pixel, as the mapping gives it.
struct Pixel {
    double x = 0, y = 0;
    bool Finite() const { return std::isfinite(x) && std::isfinite(y); }
};

Pixel Map(const PixelMapping& m, RectValue p) {
    return {m.X(p.R), m.Y(p.X)};
}

// A circle's box in whole pixels, or false when it does not fit the limit box.
struct Box {
    int cx = 0, cy = 0, rx = 0, ry = 0;
};
bool CircleBox(const PixelMapping& m, RectValue centre, float radius, Box& box) {
    Pixel c = Map(m, centre);
    // A negative radius (a deflection beyond 90 degrees) is the same circle.
    double rx = std::fabs(double(radius)) * m.scaleX + 0.5;
    double ry = std::fabs(double(radius)) * m.scaleY + 0.5;
    if (!c.Finite() || !std::isfinite(rx) || !std::isfinite(ry)) return false;
    if (!InBox(std::fabs(c.x) + rx) || !InBox(std::fabs(c.y) + ry)) return false;
    box = {TruncToInt(c.x), TruncToInt(c.y), TruncToInt(rx), TruncToInt(ry)};
    return true;
}

// A ray's point for Arc: only its direction from the centre counts, so a far
// point is pulled toward the centre along the ray until it fits the box.
bool RayPoint(const Box& box, Pixel p, int& x, int& y) {
    if (!p.Finite()) return false;
    if (InBox(p.x) && InBox(p.y)) {
        x = TruncToInt(p.x);
        y = TruncToInt(p.y);
        return true;
    }
    double dx = p.x - box.cx, dy = p.y - box.cy;
    double f = (kPixelLimit / 2) / std::max(std::fabs(dx), std::fabs(dy));
    if (!std::isfinite(dx * f) || !std::isfinite(dy * f)) return false;
    x = box.cx + TruncToInt(dx * f);
    y = box.cy + TruncToInt(dy * f);
    return true;
}

void DrawArc(gfx::CCanvas& dc, const PixelMapping& m, RectValue centre, float radius,
             RectValue start, RectValue end) {
    Box b;
    int xs, ys, xe, ye;
    if (!CircleBox(m, centre, radius, b)) return;
    if (!RayPoint(b, Map(m, start), xs, ys) || !RayPoint(b, Map(m, end), xe, ye)) return;
    dc.Arc(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry, xs, ys, xe, ye);
}

// The largest absolute coordinate among the finite ones added.
struct Reach {
    float s = 0;
    void Add(float v) {
        if (std::isfinite(v)) s = std::max(s, std::fabs(v));
    }
    void Add(RectValue p) { Add(p.R), Add(p.X); }
    void AddCircle(RectValue centre, float radius) {
        Add(centre.R + radius), Add(centre.R - radius);
        Add(centre.X + radius), Add(centre.X - radius);
    }
};

}  // namespace

bool DrawSegment(gfx::CCanvas& dc, double x1, double y1, double x2, double y2) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return false;
    // Beyond kFarLimit the rounding of double arithmetic alone moves a point
    // by more than a pixel, so a line known only by two such ends has no
    // position to draw.  One far end is pulled in along the segment, which
    // keeps its direction exact enough.
    auto far = [](double x, double y) { return std::max(std::fabs(x), std::fabs(y)) > kFarLimit; };
    auto pullIn = [](double& px, double& py, double qx, double qy) {
        double dx = px - qx, dy = py - qy;
        double f = (kFarLimit / 2) / std::max(std::fabs(dx), std::fabs(dy));
        px = qx + dx * f;
        py = qy + dy * f;
    };
    bool far1 = far(x1, y1), far2 = far(x2, y2);
    if (far1 && far2) return false;
    if (far1) pullIn(x1, y1, x2, y2);
    if (far2) pullIn(x2, y2, x1, y1);
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return false;

    if (!gfx::ClipSegment(x1, y1, x2, y2, -kPixelLimit, -kPixelLimit, kPixelLimit, kPixelLimit))
        return false;
    // A cut end may lie a rounding beyond the box.
    dc.MoveToEx(TruncToInt(x1, kPixelLimit), TruncToInt(y1, kPixelLimit));
    dc.LineTo(TruncToInt(x2, kPixelLimit), TruncToInt(y2, kPixelLimit));
    return true;
}

void CPictMho::Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
                    double scaleY) const {
    PixelMapping m{originX, originY, scaleX, scaleY};
    float cR, cX, r;
    GetCircle(cR, cX, r);
    Box b;
    if (!CircleBox(m, {cR, cX}, r, b)) return;
    dc.Ellipse(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry);
}

void CPictLine::Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
                     double scaleY) const {
    PixelMapping m{originX, originY, scaleX, scaleY};
    Pixel a = Map(m, ptZ1.Rect()), b = Map(m, ptZ2.Rect());
    DrawSegment(dc, a.x, a.y, b.x, b.y);
}

void CPictArc::Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
                    double scaleY) const {
    PixelMapping m{originX, originY, scaleX, scaleY};
    RectValue z1 = ptZ1.Rect(), z2 = ptZ2.Rect();
    if (nClockwise == 0)
        DrawArc(dc, m, ptZ0.Rect(), fRadius, z1, z2);
    else
        DrawArc(dc, m, ptZ0.Rect(), fRadius, z2, z1);
}

void CPictLens::Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX,
                     double scaleY) const {
    PixelMapping m{originX, originY, scaleX, scaleY};
    RectValue c1, c2;
    float r;
    GetLensArcs(c1, c2, r);
    RectValue z1 = ptZ1.Rect(), z2 = ptZ2.Rect();
    DrawArc(dc, m, c1, r, z2, z1);
    DrawArc(dc, m, c2, r, z1, z2);
}

float CPictMho::Extent() const {
    float R, X, r;
    GetCircle(R, X, r);
    Reach reach;
    reach.AddCircle({R, X}, r);
    return reach.s;
}

float CPictLine::Extent() const {
    Reach reach;
    reach.Add(ptZ1.Rect());
    reach.Add(ptZ2.Rect());
    return reach.s;
}

float CPictArc::Extent() const {
    Reach reach;
    reach.Add(ptZ1.Rect());
    reach.Add(ptZ2.Rect());
    reach.AddCircle(ptZ0.Rect(), fRadius);
    return reach.s;
}

float CPictLens::Extent() const {
    RectValue c1, c2;
    float r;
    GetLensArcs(c1, c2, r);
    Reach reach;
    reach.AddCircle(c1, r);
    reach.AddCircle(c2, r);
    return reach.s;
}

}  // namespace qz
