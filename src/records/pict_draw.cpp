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

bool PullInFarEnd(double& x1, double& y1, double& x2, double& y2) {
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
    return std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2);
}

bool DrawSegment(gfx::CCanvas& dc, double x1, double y1, double x2, double y2) {
    if (!PullInFarEnd(x1, y1, x2, y2)) return false;
    if (!gfx::ClipSegment(x1, y1, x2, y2, -kPixelLimit, -kPixelLimit, kPixelLimit, kPixelLimit))
        return false;
    // A cut end may lie a rounding beyond the box.
    dc.MoveToEx(TruncToInt(x1, kPixelLimit), TruncToInt(y1, kPixelLimit));
    dc.LineTo(TruncToInt(x2, kPixelLimit), TruncToInt(y2, kPixelLimit));
    return true;
}

namespace {

// Whether a chord exists for a straight limit to run along.
bool HasChord(const PictPoint& z1, const PictPoint& z2) {
    float L = Chord(z1, z2).mag;
    return std::isfinite(L) && L > 0;
}

// The segment a-b cut to the window; false when nothing is left.
bool CutToWindow(double aR, double aX, double bR, double bX, const OhmWindow& w, Outline& out) {
    if (!gfx::ClipSegment(aR, aX, bR, bX, w.loR, w.loX, w.hiR, w.hiX)) return false;
    out = {Outline::kSegment, {float(aR), float(aX)}, {float(bR), float(bX)}, {}, 0};
    return std::isfinite(out.from.R) && std::isfinite(out.from.X) && std::isfinite(out.to.R) &&
           std::isfinite(out.to.X);
}

// The straight pieces through Z2 and Z1 that `limit` names, cut to the window.
void AddStraight(StraightLimit limit, RectValue z1, RectValue z2, const OhmWindow& w,
                 std::vector<Outline>& out) {
    const double dR = double(z1.R) - z2.R, dX = double(z1.X) - z2.X;
    const double length = std::hypot(dR, dX);
    if (!(length > 0) || !std::isfinite(length)) return;
    const double uR = dR / length, uX = dX / length;
    // A piece this long leaves the window from anywhere in it.
    const double cR = (w.loR + w.hiR) / 2, cX = (w.loX + w.hiX) / 2;
    const double across = std::hypot(w.hiR - w.loR, w.hiX - w.loX);
    Outline piece;
    switch (limit) {
        case StraightLimit::kLine: {
            // Both ways from the point of the line nearest the window's
            // centre, which keeps the rounding of the far ends small.
            const double t = (cR - z2.R) * uR + (cX - z2.X) * uX;
            const double pR = z2.R + t * uR, pX = z2.X + t * uX;
            if (CutToWindow(pR - across * uR, pX - across * uX, pR + across * uR, pX + across * uX,
                            w, piece))
                out.push_back(piece);
            break;
        }
        case StraightLimit::kChord:
            out.push_back({Outline::kSegment, z1, z2, {}, 0});
            break;
        case StraightLimit::kOutsideChord: {
            const double reach = across + std::max(std::hypot(z1.R - cR, z1.X - cX),
                                                   std::hypot(z2.R - cR, z2.X - cX));
            if (CutToWindow(z1.R, z1.X, z1.R + reach * uR, z1.X + reach * uX, w, piece))
                out.push_back(piece);
            if (CutToWindow(z2.R, z2.X, z2.R - reach * uR, z2.X - reach * uX, w, piece))
                out.push_back(piece);
            break;
        }
        case StraightLimit::kNone:
            break;
    }
}

Outline ArcPiece(RectValue centre, float radius, RectValue from, RectValue to) {
    return {Outline::kArc, from, to, centre, radius};
}

// The window of the canvas under the mapping, a little beyond its edges so
// that cut lines end outside it.
OhmWindow WindowOf(const gfx::CCanvas& dc, const PixelMapping& m) {
    constexpr double kBeyond = 4;  // pixels, more than the widest pen
    gfx::Size size = dc.GetSize();
    return {(-kBeyond - m.originX) / m.scaleX, (m.originY - size.cy - kBeyond) / m.scaleY,
            (size.cx + kBeyond - m.originX) / m.scaleX, (m.originY + kBeyond) / m.scaleY};
}

}  // namespace

StraightLimit StraightLimitOf(const CPictMho& circle) {
    if (!(std::fabs(DeflectionCosine(circle.fShiftAngle)) < kStraightCosine))
        return StraightLimit::kNone;
    return HasChord(circle.ptZ1, circle.ptZ2) ? StraightLimit::kLine : StraightLimit::kNone;
}

StraightLimit StraightLimitOf(const CPictLens& lens) {
    const float cosine = LensCosine(lens.fInnerAngle);
    if (!(std::fabs(cosine) < kStraightCosine) || !HasChord(lens.ptZ1, lens.ptZ2))
        return StraightLimit::kNone;
    // The first arc's centre lies left of the chord from Z2 to Z1, where its
    // counter-clockwise run is the short one, when the radius and the sine
    // of the inner angle less 90 degrees share their sign.
    const double sine = std::sin((lens.fInnerAngle - 90) * kPi / 180);
    return (cosine > 0) == (sine > 0) ? StraightLimit::kChord : StraightLimit::kOutsideChord;
}

void CPict::Draw(gfx::CCanvas& dc, int originX, int originY, double scaleX, double scaleY) const {
    PixelMapping m{originX, originY, scaleX, scaleY};
    OhmWindow window{};
    if (scaleX > 0 && scaleY > 0 && std::isfinite(scaleX) && std::isfinite(scaleY))
        window = WindowOf(dc, m);
    for (const Outline& o : Outlines(window)) {
        switch (o.kind) {
            case Outline::kSegment: {
                Pixel a = Map(m, o.from), b = Map(m, o.to);
                DrawSegment(dc, a.x, a.y, b.x, b.y);
                break;
            }
            case Outline::kCircle: {
                Box b;
                if (CircleBox(m, o.centre, o.radius, b))
                    dc.Ellipse(b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry);
                break;
            }
            case Outline::kArc:
                DrawArc(dc, m, o.centre, o.radius, o.from, o.to);
                break;
        }
    }
}

std::vector<Outline> CPictMho::Outlines(const OhmWindow& window) const {
    std::vector<Outline> out;
    StraightLimit limit = StraightLimitOf(*this);
    if (limit != StraightLimit::kNone) {
        AddStraight(limit, ptZ1.Rect(), ptZ2.Rect(), window, out);
    } else {
        float cR, cX, r;
        GetCircle(cR, cX, r);
        out.push_back({Outline::kCircle, {}, {}, {cR, cX}, r});
    }
    return out;
}

std::vector<Outline> CPictLine::Outlines(const OhmWindow&) const {
    return {{Outline::kSegment, ptZ1.Rect(), ptZ2.Rect(), {}, 0}};
}

std::vector<Outline> CPictArc::Outlines(const OhmWindow&) const {
    RectValue z1 = ptZ1.Rect(), z2 = ptZ2.Rect();
    if (nClockwise == 0) return {ArcPiece(ptZ0.Rect(), fRadius, z1, z2)};
    return {ArcPiece(ptZ0.Rect(), fRadius, z2, z1)};
}

std::vector<Outline> CPictLens::Outlines(const OhmWindow& window) const {
    std::vector<Outline> out;
    RectValue z1 = ptZ1.Rect(), z2 = ptZ2.Rect();
    StraightLimit limit = StraightLimitOf(*this);
    if (limit != StraightLimit::kNone) {
        AddStraight(limit, z1, z2, window, out);
    } else {
        RectValue c1, c2;
        float r;
        GetLensArcs(c1, c2, r);
        out.push_back(ArcPiece(c1, r, z2, z1));
        out.push_back(ArcPiece(c2, r, z1, z2));
    }
    return out;
}

float CPictMho::Extent() const {
    Reach reach;
    if (StraightLimitOf(*this) != StraightLimit::kNone) {
        // A line reaches beyond any plot; its chord decides the scale.
        reach.Add(ptZ1.Rect());
        reach.Add(ptZ2.Rect());
        return reach.s;
    }
    float R, X, r;
    GetCircle(R, X, r);
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
    Reach reach;
    if (StraightLimitOf(*this) != StraightLimit::kNone) {
        reach.Add(ptZ1.Rect());
        reach.Add(ptZ2.Rect());
        return reach.s;
    }
    RectValue c1, c2;
    float r;
    GetLensArcs(c1, c2, r);
    reach.AddCircle(c1, r);
    reach.AddCircle(c2, r);
    return reach.s;
}

}  // namespace qz
