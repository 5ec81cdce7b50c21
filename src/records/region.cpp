#include "records/region.h"

#include <algorithm>
#include <cmath>

#include "records/geometry.h"

namespace qz {

namespace {

using Piece = CZoneRegion::Piece;

constexpr double kTurn = 2 * kPi;
// Slack on a segment's ends and an arc's rays, so that a ray through a
// vertex finds it on one side at least despite rounding.
constexpr double kEndSlack = 1e-12, kAngleSlack = 1e-9;
// Crossings closer than this share of the zone's size are one.
constexpr double kSamePoint = 1e-9;

double Cross(double aR, double aX, double bR, double bX) {
    return aR * bX - aX * bR;
}

Piece Segment(double aR, double aX, double bR, double bX) {
    Piece p;
    p.aR = aR, p.aX = aX, p.bR = bR, p.bX = bX;
    return p;
}

Piece Straight(Piece::Kind kind, RectValue a, RectValue b) {
    Piece p = Segment(a.R, a.X, b.R, b.X);
    p.kind = kind;
    return p;
}

// An arc as Outline describes it; equal rays give the whole circle.
Piece Arc(RectValue centre, float radius, RectValue from, RectValue to) {
    Piece p;
    p.kind = Piece::kArc;
    p.cR = centre.R, p.cX = centre.X;
    p.radius = std::fabs(double(radius));
    p.start = std::atan2(double(from.X) - p.cX, double(from.R) - p.cR);
    const double end = std::atan2(double(to.X) - p.cX, double(to.R) - p.cR);
    p.span = std::fmod(end - p.start + 2 * kTurn, kTurn);
    if (!(p.span > 0)) p.span = kTurn;
    p.aR = p.cR + p.radius * std::cos(p.start), p.aX = p.cX + p.radius * std::sin(p.start);
    p.bR = p.span < kTurn ? p.cR + p.radius * std::cos(p.start + p.span) : p.aR;
    p.bX = p.span < kTurn ? p.cX + p.radius * std::sin(p.start + p.span) : p.aX;
    return p;
}

// The pieces an element draws, its straight limits uncut.
void AddPieces(const CPict& pict, std::vector<Piece>& out) {
    StraightLimit limit = StraightLimit::kNone;
    RectValue z1, z2;
    if (auto* mho = dynamic_cast<const CPictMho*>(&pict)) {
        limit = StraightLimitOf(*mho), z1 = mho->ptZ1.Rect(), z2 = mho->ptZ2.Rect();
    } else if (auto* lens = dynamic_cast<const CPictLens*>(&pict)) {
        limit = StraightLimitOf(*lens), z1 = lens->ptZ1.Rect(), z2 = lens->ptZ2.Rect();
    }
    switch (limit) {
        case StraightLimit::kLine:
            out.push_back(Straight(Piece::kLine, z2, z1));
            return;
        case StraightLimit::kChord:
            out.push_back(Straight(Piece::kSegment, z1, z2));
            return;
        case StraightLimit::kOutsideChord:
            out.push_back(Straight(Piece::kRay, z1, {2 * z1.R - z2.R, 2 * z1.X - z2.X}));
            out.push_back(Straight(Piece::kRay, z2, {2 * z2.R - z1.R, 2 * z2.X - z1.X}));
            return;
        case StraightLimit::kNone:
            break;
    }
    for (const Outline& o : pict.Outlines(OhmWindow{})) {
        switch (o.kind) {
            case Outline::kSegment:
                out.push_back(Segment(o.from.R, o.from.X, o.to.R, o.to.X));
                break;
            case Outline::kCircle:
                out.push_back(Arc(o.centre, o.radius, {o.centre.R + 1, o.centre.X},
                                  {o.centre.R + 1, o.centre.X}));
                break;
            case Outline::kArc:
                out.push_back(Arc(o.centre, o.radius, o.from, o.to));
                break;
        }
    }
}

// The ends of a piece in the direction the outline runs it.
void Ends(const Piece& p, double& sR, double& sX, double& eR, double& eX) {
    sR = p.aR, sX = p.aX, eR = p.bR, eX = p.bX;
    if (p.reversed) std::swap(sR, eR), std::swap(sX, eX);
}

// How far the direction from (R, X) turns along the piece, in radians.
double Turn(const Piece& p, double R, double X) {
    const double aR = p.aR - R, aX = p.aX - X, bR = p.bR - R, bX = p.bX - X;
    double turn = std::atan2(Cross(aR, aX, bR, bX), aR * bR + aX * bX);
    // Seen from inside its circle an arc turns counter-clockwise only, and a
    // whole circle turns once; from outside it never turns half a turn.
    if (p.kind == Piece::kArc && std::hypot(R - p.cR, X - p.cX) < p.radius) {
        if (p.span >= kTurn) {
            turn = kTurn;
        } else if (turn < 0) {
            turn += kTurn;
        }
    }
    return p.reversed ? -turn : turn;
}

// Where the ray t (dR, dX), t >= 0, meets the piece.
void Meet(const Piece& p, double dR, double dX, std::vector<double>& ts) {
    if (p.kind == Piece::kArc) {
        const double off = Cross(dR, dX, p.cR, p.cX);
        const double disc = p.radius * p.radius - off * off;
        if (!(disc >= 0)) return;
        const double mid = dR * p.cR + dX * p.cX, half = std::sqrt(disc);
        for (double t : {mid - half, mid + half}) {
            if (!(t >= 0)) continue;
            double angle = std::atan2(t * dX - p.cX, t * dR - p.cR);
            double into = std::fmod(angle - p.start + 2 * kTurn, kTurn);
            if (into <= p.span + kAngleSlack || into >= kTurn - kAngleSlack) ts.push_back(t);
            if (half == 0) break;
        }
        return;
    }
    const double eR = p.bR - p.aR, eX = p.bX - p.aX;
    const double denom = Cross(dR, dX, eR, eX);
    if (denom == 0) return;  // parallel: touching along a run is no crossing
    const double t = Cross(p.aR, p.aX, eR, eX) / denom;
    const double s = Cross(p.aR, p.aX, dR, dX) / denom;
    if (!(t >= 0) || !std::isfinite(t)) return;
    if (p.kind == Piece::kLine) {
        ts.push_back(t);
    } else if (s >= -kEndSlack && (p.kind == Piece::kRay || s <= 1 + kEndSlack)) {
        ts.push_back(t);
    }
}

// The ray's direction, exact along the axes: a shot at 90 degrees lies on X
// itself, not 6e-17 ohm off it.
void Direction(double degrees, double& dR, double& dX) {
    const double d = std::remainder(degrees, 360.0);
    const long quarter = std::lround(d / 90);
    const double r = (d - 90.0 * double(quarter)) * kPi / 180;
    const double c = std::cos(r), s = std::sin(r);
    switch ((quarter + 4) % 4) {
        case 0:
            dR = c, dX = s;
            break;
        case 1:  // 0 - x rather than -x: the axes' zeros are +0, never "-0"
            dR = 0.0 - s, dX = c;
            break;
        case 2:
            dR = 0.0 - c, dX = 0.0 - s;
            break;
        default:
            dR = s, dX = 0.0 - c;
            break;
    }
}

// x + 0 is +0 for either zero: the origin reads "0", never "-0".
RayCrossing Point(double t, double dR, double dX) {
    return {t + 0.0, t * dR + 0.0, t * dX + 0.0};
}

}  // namespace

CZoneRegion::CZoneRegion(std::span<const CPict* const> elements) {
    int circles = 0, lenses = 0;
    for (const CPict* pict : elements) {
        AddPieces(*pict, pieces);
        const float extent = pict->Extent();
        if (std::isfinite(extent)) size = std::max(size, double(extent));
        circles += pict->Kind() == kPictMho;
        lenses += pict->Kind() == kPictLens;
    }
    if (elements.empty()) {
        fault = "no elements";
        return;
    }
    if (circles + lenses > 0 && elements.size() > 1) {
        fault = "a circle or lens among other elements bounds no one region";
        return;
    }
    if (circles == 1) {
        const auto& mho = static_cast<const CPictMho&>(*elements[0]);
        if (StraightLimitOf(mho) == StraightLimit::kLine) {
            // The disc's limit: the half-plane its centre ran off into,
            // bounded by the line drawn through Z1 and Z2.
            kind = Kind::kHalfPlane;
            const PolarValue chord = Chord(mho.ptZ1, mho.ptZ2);
            const double towards = (chord.ang - double(mho.fShiftAngle)) * kPi / 180;
            const double sign = DeflectionCosine(mho.fShiftAngle) < 0 ? -1 : 1;
            const RectValue z1 = mho.ptZ1.Rect(), z2 = mho.ptZ2.Rect();
            edgeR = z2.R, edgeX = z2.X;
            inR = -(double(z1.X) - z2.X), inX = double(z1.R) - z2.R;
            if ((inR * std::cos(towards) + inX * std::sin(towards)) * sign < 0)
                inR = -inR, inX = -inX;
            return;
        }
    }
    if (lenses == 1) {
        switch (StraightLimitOf(static_cast<const CPictLens&>(*elements[0]))) {
            case StraightLimit::kChord:
                kind = Kind::kEmpty;
                return;
            case StraightLimit::kOutsideChord:
                kind = Kind::kWhole;
                return;
            default:
                break;
        }
    }
    if (!Closes(pieces)) {
        fault = "the outline does not close";
        return;
    }
    kind = Kind::kOutline;
}

// Chains the pieces end to end, in any order and either way round, closing
// the small gaps rounding leaves with short segments.
bool CZoneRegion::Closes(std::vector<Piece> open) {
    if (open.empty()) return false;
    double loR = INFINITY, loX = INFINITY, hiR = -INFINITY, hiX = -INFINITY;
    for (const Piece& p : open) {
        if (p.kind == Piece::kLine || p.kind == Piece::kRay) return false;
        // An arc counts with its whole circle, which is enough for a size.
        const bool arc = p.kind == Piece::kArc;
        for (double R : {p.aR, p.bR, arc ? p.cR - p.radius : p.aR, arc ? p.cR + p.radius : p.aR})
            loR = std::min(loR, R), hiR = std::max(hiR, R);
        for (double X : {p.aX, p.bX, arc ? p.cX - p.radius : p.aX, arc ? p.cX + p.radius : p.aX})
            loX = std::min(loX, X), hiX = std::max(hiX, X);
    }
    const double tolerance = kClosure * std::hypot(hiR - loR, hiX - loX);
    if (!std::isfinite(tolerance)) return false;
    std::vector<Piece> chain;
    auto link = [&](double fromR, double fromX, double toR, double toX) {
        if (fromR != toR || fromX != toX) chain.push_back(Segment(fromR, fromX, toR, toX));
    };
    chain.push_back(open.front());
    open.erase(open.begin());
    double startR, startX, endR, endX;
    Ends(chain.front(), startR, startX, endR, endX);
    while (!open.empty()) {
        std::size_t best = 0;
        bool reversed = false;
        double gap = INFINITY;
        for (std::size_t i = 0; i < open.size(); ++i) {
            double a = std::hypot(open[i].aR - endR, open[i].aX - endX);
            double b = std::hypot(open[i].bR - endR, open[i].bX - endX);
            if (a < gap) gap = a, best = i, reversed = false;
            if (b < gap) gap = b, best = i, reversed = true;
        }
        if (!(gap <= tolerance)) return false;
        Piece next = open[best];
        open.erase(open.begin() + std::ptrdiff_t(best));
        next.reversed = reversed;
        double sR, sX;
        double nextEndR, nextEndX;
        Ends(next, sR, sX, nextEndR, nextEndX);
        link(endR, endX, sR, sX);
        chain.push_back(next);
        endR = nextEndR, endX = nextEndX;
    }
    if (!(std::hypot(startR - endR, startX - endX) <= tolerance)) return false;
    link(endR, endX, startR, startX);
    pieces = std::move(chain);
    return true;
}

bool CZoneRegion::Contains(double R, double X) const {
    switch (kind) {
        case Kind::kNone:
        case Kind::kEmpty:
            return false;
        case Kind::kWhole:
            return true;
        case Kind::kHalfPlane:
            return (R - edgeR) * inR + (X - edgeX) * inX > 0;
        case Kind::kOutline:
            break;
    }
    // The outline winds around the points inside it.
    double turns = 0;
    for (const Piece& p : pieces) turns += Turn(p, R, X);
    return std::fabs(turns) > kPi;
}

RayCrossing PointAlong(double degrees, double distance) {
    double dR = 0, dX = 0;
    Direction(degrees, dR, dX);
    return Point(distance, dR, dX);
}

RayReach CZoneRegion::Along(double degrees) const {
    double dR = 0, dX = 0;
    Direction(degrees, dR, dX);
    std::vector<double> ts;
    for (const Piece& p : pieces) Meet(p, dR, dX, ts);
    std::sort(ts.begin(), ts.end());
    RayReach out;
    for (double t : ts) {
        if (!out.crossings.empty() &&
            t - out.crossings.back().distance <= kSamePoint * std::max(size, t))
            continue;
        out.crossings.push_back(Point(t, dR, dX));
    }
    if (kind == Kind::kNone || out.crossings.empty()) return out;
    // Whether the ray is inside between crossing k - 1 and k (k = 0: before
    // the first; k = n: beyond the last).
    const std::size_t n = out.crossings.size();
    auto inside = [&](std::size_t k) {
        double t;
        if (k == 0) {
            t = out.crossings[0].distance / 2;
            if (!(t > 0)) return false;
        } else if (k == n) {
            t = 2 * out.crossings[n - 1].distance + size + 1;
        } else {
            t = (out.crossings[k - 1].distance + out.crossings[k].distance) / 2;
        }
        return Contains(t * dR, t * dX);
    };
    bool after = inside(n);
    if (after) return out;  // it never leaves
    for (std::size_t k = n; k-- > 0;) {
        bool before = inside(k);
        if (before && !after) {
            out.reach = out.crossings[k];
            break;
        }
        after = before;
    }
    return out;
}

ReachBand BandOf(const RayCrossing& reach, const ReachTolerance& tolerance) {
    double half = std::max(tolerance.share * reach.distance, tolerance.ohms);
    if (tolerance.alongRX) {
        const double d = reach.distance > 0 ? reach.distance : 1;
        half = tolerance.ohmsR * std::abs(reach.R) / d + tolerance.ohmsX * std::abs(reach.X) / d;
    }
    return {std::max(reach.distance - half, 0.0), reach.distance + half};
}

std::vector<double> SettingAngles(const ZoneSetting& setting) {
    std::vector<double> angles;
    for (const OhmPoint& end : SettingLineEnds(setting)) {
        if (!(std::hypot(end.R, end.X) > 0)) continue;
        const double angle = std::atan2(end.X, end.R) * 180 / kPi;
        if (std::find(angles.begin(), angles.end(), angle) == angles.end()) angles.push_back(angle);
    }
    return angles;
}

std::vector<Shot> ShotsOf(const CZoneRegion& region, std::span<const double> angles,
                          const ReachTolerance& tolerance, double margin) {
    std::vector<Shot> shots;
    for (double angle : angles) {
        const RayReach r = region.Along(angle);
        for (bool inside : {true, false}) {
            Shot shot{angle, inside, std::nullopt};
            if (r.reach) {
                const ReachBand band = BandOf(*r.reach, tolerance);
                const double d = inside ? band.inner * (1 - margin) : band.outer * (1 + margin);
                const RayCrossing at = PointAlong(angle, d);
                // A zone too shallow along this ray for the band leaves no
                // inside shot; a shot is never labelled against its zone.
                if (d > 0 && region.Contains(at.R, at.X) == inside) shot.at = at;
            }
            shots.push_back(shot);
        }
    }
    return shots;
}

}  // namespace qz
