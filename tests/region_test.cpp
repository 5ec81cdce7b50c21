// The reach and the point test against a model of the characteristics
// written here from their geometry alone: a disc, a half-plane, the points
// that see a lens's chord under at least its inner angle (or its two discs),
// and a polygon's crossing number with the circular segments of its arcs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "records/region.h"
#include "test_util.h"

using namespace qz;

namespace {

constexpr double kRad = 3.141592653589793 / 180;

// Rounded to single precision through memory: GCC 12 at -O2 drops the
// rounding of (float)(a + b * c) widened back to double.
double Single(double x) {
    volatile float f = float(x);
    return f;
}

PictPoint At(double R, double X) {
    return {1, float(R), float(X), u"0.0", u"0.0"};
}

struct P2 {
    double R = 0, X = 0;
};
P2 operator-(P2 a, P2 b) {
    return {a.R - b.R, a.X - b.X};
}
P2 operator+(P2 a, P2 b) {
    return {a.R + b.R, a.X + b.X};
}
P2 operator*(double k, P2 a) {
    return {k * a.R, k * a.X};
}
double Cross(P2 a, P2 b) {
    return a.R * b.X - a.X * b.R;
}
double Dot(P2 a, P2 b) {
    return a.R * b.R + a.X * b.X;
}
double Norm(P2 a) {
    return std::hypot(a.R, a.X);
}
P2 Of(const PictPoint& p) {
    return {p.fValue1, p.fValue2};
}

double SegmentDistance(P2 p, P2 a, P2 b) {
    P2 e = b - a;
    double s = std::clamp(Dot(p - a, e) / Dot(e, e), 0.0, 1.0);
    return Norm(p - (a + s * e));
}

struct Circle {
    P2 c;
    double r = 0;
};

// A characteristic as plain geometry.
struct Model {
    enum Kind { kDisc, kHalfPlane, kLensAngle, kLensDiscs, kPolygon, kEmpty, kWhole } kind = kDisc;
    Circle disc;               // kDisc
    P2 edge, normal;           // kHalfPlane: inside where (p - edge) . normal > 0
    P2 z1, z2;                 // kLensAngle, and the straight limits
    double inner = 0;          // kLensAngle, degrees
    Circle d1, d2;             // kLensDiscs
    bool both = false;         // kLensDiscs: their intersection, else their union
    std::vector<P2> vertices;  // kPolygon, in order
    struct Bulge {             // an arc in place of the side from vertex k to k + 1
        std::size_t k;
        Circle circle;
        bool right;  // it lies right of the side
    };
    std::vector<Bulge> bulges;

    bool In(P2 p) const {
        switch (kind) {
            case kDisc:
                return Norm(p - disc.c) < disc.r;
            case kHalfPlane:
                return Dot(p - edge, normal) > 0;
            case kLensAngle: {
                P2 a = z1 - p, b = z2 - p;
                return std::atan2(std::fabs(Cross(a, b)), Dot(a, b)) >= inner * kRad;
            }
            case kLensDiscs: {
                bool in1 = Norm(p - d1.c) < d1.r, in2 = Norm(p - d2.c) < d2.r;
                return both ? in1 && in2 : in1 || in2;
            }
            case kPolygon: {
                bool odd = false;
                for (std::size_t k = 0; k < vertices.size(); ++k) {
                    P2 a = vertices[k], b = vertices[(k + 1) % vertices.size()];
                    if ((a.X > p.X) != (b.X > p.X) &&
                        p.R < a.R + (p.X - a.X) * (b.R - a.R) / (b.X - a.X))
                        odd = !odd;
                }
                for (const Bulge& g : bulges) {
                    P2 a = vertices[g.k], b = vertices[(g.k + 1) % vertices.size()];
                    if (Norm(p - g.circle.c) < g.circle.r && (Cross(b - a, p - a) < 0) == g.right)
                        odd = !odd;
                }
                return odd;
            }
            case kEmpty:
                return false;
            case kWhole:
                return true;
        }
        return false;
    }

    // Every circle and segment the outline lies on (a superset of it).
    std::vector<Circle> Circles() const {
        switch (kind) {
            case kDisc:
                return {disc};
            case kLensDiscs:
                return {d1, d2};
            case kLensAngle: {
                // The chord is seen under the inner angle from two arcs of
                // radius L / (2 sin) whose centres lie L cot / 2 off its middle.
                P2 mid = 0.5 * (z1 + z2), e = z1 - z2;
                double L = Norm(e), s = std::sin(inner * kRad), c = std::cos(inner * kRad);
                P2 n = (1 / L) * P2{-e.X, e.R};
                return {{mid + (L * c / (2 * s)) * n, L / (2 * s)},
                        {mid - (L * c / (2 * s)) * n, L / (2 * s)}};
            }
            case kPolygon: {
                std::vector<Circle> out;
                for (const Bulge& g : bulges) out.push_back(g.circle);
                return out;
            }
            default:
                return {};
        }
    }
    std::vector<std::array<P2, 2>> Segments() const {
        std::vector<std::array<P2, 2>> out;
        if (kind == kPolygon) {
            for (std::size_t k = 0; k < vertices.size(); ++k)
                out.push_back({vertices[k], vertices[(k + 1) % vertices.size()]});
        } else if (kind == kHalfPlane || kind == kEmpty || kind == kWhole) {
            // The straight limits: long enough to stand for the whole line.
            P2 e = z1 - z2;
            out.push_back({z2 - 1e7 * e, z2 + 1e7 * e});
        }
        return out;
    }
    double Distance(P2 p) const {
        double d = INFINITY;
        for (const Circle& c : Circles()) d = std::min(d, std::fabs(Norm(p - c.c) - c.r));
        for (const auto& s : Segments()) d = std::min(d, SegmentDistance(p, s[0], s[1]));
        return d;
    }
};

struct Zone {
    PictList picts;
    Model model;
    double size = 0;
    std::vector<P2> corners;                 // rays through these are tried too
    std::vector<std::pair<P2, bool>> shots;  // points just off the outline, labelled
};

// Where the ray meets the model's circles and segments, with how steeply.
struct Candidate {
    double t, sine;
};
std::vector<Candidate> Candidates(const Model& m, P2 d) {
    std::vector<Candidate> out;
    for (const Circle& c : m.Circles()) {
        double off = Cross(d, c.c), b = Dot(d, c.c), disc = c.r * c.r - off * off;
        if (disc < 0) continue;
        for (double t : {b - std::sqrt(disc), b + std::sqrt(disc)})
            if (t >= 0) out.push_back({t, std::sqrt(disc) / c.r});
    }
    for (const auto& s : m.Segments()) {
        P2 e = s[1] - s[0];
        double den = Cross(d, e);
        if (den == 0) continue;
        double t = Cross(s[0], e) / den, u = Cross(s[0], d) / den;
        if (t >= 0 && u >= -1e-12 && u <= 1 + 1e-12) out.push_back({t, std::fabs(den) / Norm(e)});
    }
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.t < b.t; });
    return out;
}

struct Tally {
    int rays = 0, compared = 0, points = 0, shots = 0, faults = 0;
};

// Compares the region with the model: `tolerance` relative to the larger of
// the reach and the zone's size, for rays whose crossings are at least
// `steep`; points farther than `band` of the size from the outline.
void Check(const Zone& z, double tolerance, double band, double steep, std::mt19937& rng,
           Tally& tally, const char* what) {
    std::vector<const CPict*> elements;
    for (const auto& p : z.picts) elements.push_back(p.get());
    const CZoneRegion region(elements);
    if (!region.Fault().empty()) {
        if (++tally.faults < 5) ADD_FAILURE() << what << ": " << region.Fault();
        return;
    }
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<double> angles;
    for (int k = 0; k < 12; ++k) angles.push_back(360 * unit(rng));
    for (P2 c : z.corners) angles.push_back(std::atan2(c.X, c.R) / kRad);
    const double delta = 1e-6 * z.size;
    for (double angle : angles) {
        ++tally.rays;
        P2 d{std::cos(angle * kRad), std::sin(angle * kRad)};
        std::vector<Candidate> cands = Candidates(z.model, d);
        bool clean = true;
        for (std::size_t k = 0; k < cands.size(); ++k) {
            clean = clean && cands[k].sine >= steep;
            if (k > 0) {
                double gap = cands[k].t - cands[k - 1].t;
                clean = clean && (gap < 1e-9 * z.size || gap > 1e-4 * z.size);
            }
        }
        if (!clean) continue;
        ++tally.compared;
        double far = 2 * (cands.empty() ? 0 : cands.back().t) + z.size + 1;
        bool expectNone = z.model.In(far * d);
        double expected = -1;
        for (std::size_t k = cands.size(); !expectNone && k-- > 0;) {
            double t = cands[k].t;
            if (t > delta && z.model.In((t - delta) * d) && !z.model.In((t + delta) * d)) {
                expected = t;
                break;
            }
        }
        RayReach got = region.Along(angle);
        if (expected < 0 || expectNone) {
            EXPECT_FALSE(got.reach) << what << " at " << angle << "°: reach " << got.reach->distance
                                    << ", none expected";
        } else if (!got.reach) {
            ADD_FAILURE() << what << " at " << angle << "°: no reach, " << expected << " expected";
        } else {
            EXPECT_NEAR(got.reach->distance, expected, tolerance * std::max(expected, z.size))
                << what << " at " << angle << "°";
            EXPECT_NEAR(got.reach->R, expected * d.R, tolerance * std::max(expected, z.size));
            EXPECT_NEAR(got.reach->X, expected * d.X, tolerance * std::max(expected, z.size));
        }
        if (::testing::Test::HasFailure()) return;
    }
    // Points anywhere around the zone, away from the outline.
    for (int k = 0; k < 40; ++k) {
        P2 p{(2 * unit(rng) - 1) * 1.3 * z.size, (2 * unit(rng) - 1) * 1.3 * z.size};
        if (z.model.Distance(p) <= band * z.size) continue;
        ++tally.points;
        EXPECT_EQ(region.Contains(p.R, p.X), z.model.In(p))
            << what << " at (" << p.R << ", " << p.X << ")";
        if (::testing::Test::HasFailure()) return;
    }
    for (const auto& [p, in] : z.shots) {
        ++tally.shots;
        EXPECT_EQ(region.Contains(p.R, p.X), in) << what << " shot (" << p.R << ", " << p.X << ")";
        EXPECT_EQ(z.model.In(p), in) << what << " model shot (" << p.R << ", " << p.X << ")";
        if (::testing::Test::HasFailure()) return;
    }
}

// A point `off` of the size outside (negative: inside) the circle along `dir`.
P2 OffCircle(const Circle& c, P2 dir, double off) {
    return c.c + (c.r + off) * ((1 / Norm(dir)) * dir);
}

}  // namespace

TEST(ZoneRegion, ReachAndInsideMatchAModelOfEveryKind) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<double> unit(0, 1);
    auto between = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    auto point = [&](double span) { return P2{between(-span, span), between(-span, span)}; };
    auto sizeOf = [](const PictList& picts) {
        double s = 0;
        for (const auto& p : picts) s = std::max(s, double(p->Extent()));
        return s;
    };
    Tally tally;
    constexpr double kShot = 1e-6;

    for (int n = 0; n < 1200; ++n) {  // circles
        auto m = std::make_unique<CPictMho>();
        m->ptZ1 = At(point(60).R, point(60).X);
        m->ptZ2 = At(point(20).R, point(20).X);
        const bool straight = n % 40 == 0;
        m->fShiftAngle = straight ? (n % 80 == 0 ? 90.0f : -90.0f) : float(between(-85, 85));
        const P2 z1 = Of(m->ptZ1), z2 = Of(m->ptZ2);
        const P2 e = z1 - z2, left = (1 / Norm(e)) * P2{-e.X, e.R};
        const double s = m->fShiftAngle * kRad;
        Zone z;
        z.model.z1 = z1, z.model.z2 = z2;
        if (straight) {
            // The centre runs off to the right of Z2 -> Z1 as the deflection nears +90°.
            z.model.kind = Model::kHalfPlane;
            z.model.edge = z2;
            z.model.normal = m->fShiftAngle > 0 ? -1 * left : left;
        } else {
            // Deflected by s, the centre lies tan(s) L / 2 right of the chord's middle.
            z.model.disc = {0.5 * (z1 + z2) - (std::tan(s) * Norm(e) / 2) * left,
                            Norm(e) / (2 * std::cos(s))};
        }
        const Model fromDouble = z.model;
        z.picts.push_back(std::move(m));
        z.size = sizeOf(z.picts);
        if (straight) {
            // Just off the line, far out along it both ways.
            for (double k : {-30.0, 0.5, 30.0}) {
                const P2 on = z2 + k * e, off = (kShot * z.size) * z.model.normal;
                z.shots.push_back({on + off, true});
                z.shots.push_back({on - 1 * off, false});
            }
            Check(z, 1e-6, 1e-9, 1e-3, rng, tally, "half-plane");
            continue;
        }
        // The plot computes its circle in single precision, through asin near
        // 90 degrees too: a thousandth of the size off the exact one at most.
        Check(z, 1e-3, 1e-3, 0.3, rng, tally, "circle");
        // The same against the circle the plot draws, to the last bits.
        float cR, cX, r;
        static_cast<const CPictMho&>(*z.picts[0]).GetCircle(cR, cX, r);
        z.model.disc = {{cR, cX}, std::fabs(double(r))};
        P2 dir = point(1);
        z.shots = {{OffCircle(z.model.disc, dir, -kShot * z.size), true},
                   {OffCircle(z.model.disc, dir, kShot * z.size), false}};
        Check(z, 1e-6, 1e-9, 1e-3, rng, tally, "drawn circle");
        EXPECT_LT(Norm(fromDouble.disc.c - z.model.disc.c), 1e-3 * z.size);
        if (::testing::Test::HasFailure()) return;
    }

    for (int n = 0; n < 1200; ++n) {  // lenses
        auto l = std::make_unique<CPictLens>();
        l->ptZ1 = At(point(60).R, point(60).X);
        l->ptZ2 = At(point(20).R, point(20).X);
        const bool straight = n % 40 == 0;
        l->fInnerAngle = straight ? (n % 80 == 0 ? 180.0f : 0.0f) : float(between(12, 168));
        Zone z;
        z.model.z1 = Of(l->ptZ1), z.model.z2 = Of(l->ptZ2);
        z.model.kind =
            straight ? (l->fInnerAngle > 90 ? Model::kEmpty : Model::kWhole) : Model::kLensAngle;
        z.model.inner = l->fInnerAngle;
        RectValue c1, c2;
        float r;
        l->GetLensArcs(c1, c2, r);
        z.picts.push_back(std::move(l));
        z.size = sizeOf(z.picts);
        if (straight) {
            Check(z, 1e-6, 1e-9, 1e-3, rng, tally, "straight lens");
            continue;
        }
        Check(z, 1e-3, 1e-3, 0.3, rng, tally, "lens");
        z.model.kind = Model::kLensDiscs;
        z.model.d1 = {{c1.R, c1.X}, std::fabs(double(r))};
        z.model.d2 = {{c2.R, c2.X}, std::fabs(double(r))};
        z.model.both = z.model.inner > 90;
        // Just off each arc's middle, the side toward its centre inside: the
        // short arcs face across the chord, the long ones away from it.
        const P2 mid = 0.5 * (z.model.z1 + z.model.z2);
        for (const Circle& d : {z.model.d1, z.model.d2}) {
            P2 away = z.model.both ? mid - d.c : d.c - mid;
            if (Norm(away) < 1e-3 * z.size) continue;  // a half disc: its middle is the chord's
            z.shots.push_back({OffCircle(d, away, -kShot * z.size), true});
            z.shots.push_back({OffCircle(d, away, kShot * z.size), false});
        }
        Check(z, 1e-6, 1e-9, 1e-3, rng, tally, "drawn lens");
        if (::testing::Test::HasFailure()) return;
    }

    for (int n = 0; n < 1200; ++n) {  // polygons of lines and arcs, mostly not convex
        const int k = 3 + int(unit(rng) * 7);
        const P2 centre = point(30);
        const double rho = between(0.5, 40), turn0 = between(0, 360) * kRad;
        std::vector<P2> v;
        for (int i = 0; i < k; ++i) {
            double a = turn0 + 2 * 3.141592653589793 * (i + between(-0.35, 0.35)) / k;
            double r = rho * between(0.4, 1.6);
            v.push_back({Single(centre.R + r * std::cos(a)), Single(centre.X + r * std::sin(a))});
        }
        Zone z;
        z.model.kind = Model::kPolygon;
        std::vector<bool> arc(k, false);
        std::vector<std::unique_ptr<CPictArc>> arcs(k);
        for (int i = 0; i < k; ++i) {
            if (arc[(i + k - 1) % k] || (i == k - 1 && arc[0]) || unit(rng) > 0.4) continue;
            arc[i] = true;
            // An arc over the side, bulging out of the polygon or, less, into it.
            const bool out = unit(rng) < 0.7;
            const double span = (out ? between(10, 80) : between(10, 30)) * kRad;
            P2 a = v[i], b = v[(i + 1) % k], e = b - a;
            double chord = Norm(e), r = chord / (2 * std::sin(span / 2));
            P2 left = (1 / chord) * P2{-e.X, e.R};
            P2 c = 0.5 * (a + b) + ((out ? 1 : -1) * r * std::cos(span / 2)) * left;
            auto pict = std::make_unique<CPictArc>();
            pict->ptZ0 = At(c.R, c.X);
            pict->fRadius = float(r);
            const Circle drawn{Of(pict->ptZ0), pict->fRadius};
            // The vertices where the drawn arc ends, so that its sides meet it.
            auto onto = [&](P2 p) {
                P2 q = drawn.c + (drawn.r / Norm(p - drawn.c)) * (p - drawn.c);
                return P2{Single(q.R), Single(q.X)};
            };
            v[i] = onto(a), v[(i + 1) % k] = onto(b);
            pict->nClockwise = out ? 0 : 1;
            z.model.bulges.push_back({std::size_t(i), drawn, out});
            arcs[i] = std::move(pict);
        }
        for (int i = 0; i < k; ++i) {
            P2 a = v[i], b = v[(i + 1) % k];
            if (arc[i]) {
                arcs[i]->ptZ1 = At(a.R, a.X);
                arcs[i]->ptZ2 = At(b.R, b.X);
                const Model::Bulge& g =
                    *std::find_if(z.model.bulges.begin(), z.model.bulges.end(),
                                  [&](auto& x) { return x.k == std::size_t(i); });
                // A short arc's middle lies beyond the side's, seen from its centre.
                P2 middle = 0.5 * (a + b) - g.circle.c;
                // Inside lies toward the centre of an arc bulging out, away from one bulging in.
                const double side = g.right ? -1 : 1;
                z.shots.push_back({OffCircle(g.circle, middle, side * kShot * rho), true});
                z.shots.push_back({OffCircle(g.circle, middle, -side * kShot * rho), false});
                z.picts.push_back(std::move(arcs[i]));
                continue;
            }
            auto line = std::make_unique<CPictLine>();
            // Either way round: the outline is the same.
            const bool flip = unit(rng) < 0.3;
            line->ptZ1 = At(flip ? b.R : a.R, flip ? b.X : a.X);
            line->ptZ2 = At(flip ? a.R : b.R, flip ? a.X : b.X);
            line->ptZ = line->ptZ1;
            z.picts.push_back(std::move(line));
            // The polygon runs counter-clockwise: inside lies left of each side.
            P2 e = b - a, left = (1 / Norm(e)) * P2{-e.X, e.R}, mid = 0.5 * (a + b);
            z.shots.push_back({mid + (kShot * rho) * left, true});
            z.shots.push_back({mid - (kShot * rho) * left, false});
            if (!arc[(i + k - 1) % k]) z.corners.push_back(a);
        }
        std::shuffle(z.picts.begin(), z.picts.end(), rng);
        z.model.vertices = v;
        z.size = sizeOf(z.picts);
        Check(z, 1e-6, 1e-9, 1e-3, rng, tally, "polygon");
        if (::testing::Test::HasFailure()) return;
    }
    // Most rays were clear enough to compare.
    EXPECT_GT(tally.compared, tally.rays * 9 / 10);
    EXPECT_GT(tally.points, 100000);
    EXPECT_GT(tally.shots, 10000);
    EXPECT_EQ(tally.faults, 0);
}

// A polygon closes when its ends meet within 10^-4 of its size, in any
// order; a circle or lens with other elements, or nothing, bounds no region.
TEST(ZoneRegion, SaysWhatBoundsNoRegion) {
    auto square = [](double gap) {
        PictList list;
        const double v[][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {gap, 0}};
        for (int k : {2, 0, 3, 1}) {
            auto line = std::make_unique<CPictLine>();
            line->ptZ1 = At(v[k][0], v[k][1]);
            line->ptZ2 = At(v[k + 1][0], v[k + 1][1]);
            list.push_back(std::move(line));
        }
        return list;
    };
    auto fault = [](const PictList& list) {
        std::vector<const CPict*> elements;
        for (const auto& p : list) elements.push_back(p.get());
        CZoneRegion region(elements);
        return std::make_pair(region.Fault(), region.Contains(5, 5));
    };
    EXPECT_EQ(fault(square(0.001)), std::make_pair(std::string(), true));  // 0.7e-4 of its size
    EXPECT_EQ(fault(square(0.002)).first, "the outline does not close");
    PictList mixed = square(0);
    mixed.push_back(std::make_unique<CPictMho>());
    EXPECT_EQ(fault(mixed).first, "a circle or lens among other elements bounds no one region");
    EXPECT_EQ(fault(PictList()).first, "no elements");
    EXPECT_FALSE(fault(mixed).second);

    // Along an axis a point lies on it exactly, with no "-0".
    for (double degrees : {90.0, -270.0, 450.0}) {
        const RayCrossing p = PointAlong(degrees, 5);
        EXPECT_EQ(p.X, 5);
        EXPECT_FALSE(std::signbit(p.R)) << degrees;
        EXPECT_EQ(p.R, 0) << degrees;
    }
    EXPECT_EQ(PointAlong(180, 2).R, -2);
    EXPECT_FALSE(std::signbit(PointAlong(180, 2).X));
    EXPECT_NEAR(PointAlong(30, 2).X, 1, 1e-15);
}

#ifdef QZ_QUARNZ_PATH
TEST(QuarnzReach, ReachesAndPointsOfTheExampleZones) {
    qztest::TempDir dir;
    const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
    ASSERT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                 dir.path().string() + "'")
                  .status,
              0);
    auto file = [&](const char* name) { return "'" + (dir.path() / name).string() + "' "; };
    using nlohmann::json;

    // The mho circle reaches its setting, 10 Ω along 78°, by default.
    qztest::ToolRun run = qztest::Quarnz("reach " + file("mho.zone") + "--zone Z1,LE --json", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    json j = json::parse(run.out);
    ASSERT_EQ(j["zones"].size(), 1u);
    const json& ray = j["zones"][0]["rays"][0];
    EXPECT_NEAR(ray["angle"].get<double>(), 78, 1e-5);  // as the plot draws it, in floats
    EXPECT_NEAR(ray["reach"]["distance"].get<double>(), 10, 1e-5);
    EXPECT_NEAR(ray["reach"]["R"].get<double>(), 10 * std::cos(78 * kRad), 1e-5);
    ASSERT_EQ(ray["crossings"].size(), 1u);  // the ray starts inside
    EXPECT_NEAR(ray["band"]["inner"].get<double>(), 9.5, 1e-5);
    EXPECT_NEAR(ray["band"]["outer"].get<double>(), 10.5, 1e-5);
    // The band is the larger of the percentage and the ohms.
    for (auto [tolerance, half] : {std::pair{"10,0.5", 1.0}, {"3,0.8", 0.8}, {"0", 0.0}}) {
        run = qztest::Quarnz(
            "reach " + file("mho.zone") + "--zone Z1,LE --json --tolerance " + tolerance, dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const json band = json::parse(run.out)["zones"][0]["rays"][0]["band"];
        EXPECT_NEAR(band["inner"].get<double>(), 10 - half, 1e-5) << tolerance;
        EXPECT_NEAR(band["outer"].get<double>(), 10 + half, 1e-5) << tolerance;
    }
    // Along R and X on the quadrilateral's 45 degree reach: the box of 1 by
    // 2 ohms stretches 3 / sqrt(2) along the ray.
    run = qztest::Quarnz(
        "reach " + file("several.zone") + "--zone Z2,PP --angle 45 --json --tolerance-rx 1,2", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const json rxBand = json::parse(run.out)["zones"][0]["rays"][0]["band"];
    EXPECT_NEAR(rxBand["outer"].get<double>(), (81.0 / 8 + 1.5) * std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(rxBand["inner"].get<double>(), (81.0 / 8 - 1.5) * std::sqrt(2.0), 1e-5);

    // The quadrilateral from its corner at the origin: along 45° it leaves
    // through the side from (11, 10) to (-3, 12) at R = X = 81 / 8; the lens
    // along its chord at its tip, 20 Ω; backwards neither is reached.
    run = qztest::Quarnz("reach " + file("several.zone") + "--angle 45 --angle 225 --csv", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(run.out.substr(at, end - at));
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "row,strTag,angle,distance,R,X,reach,inner,outer");
    // The reach's fields after `head`: distance, R, X, 1, inner, outer.
    auto reachFields = [&](const std::string& head) {
        std::vector<double> fields;
        for (const std::string& l : lines) {
            if (l.rfind(head, 0) != 0) continue;
            std::stringstream rest(l.substr(head.size()));
            fields.clear();
            for (std::string f; std::getline(rest, f, ',');)
                fields.push_back(f.empty() ? -1 : std::stod(f));
            if (fields.size() == 6 && fields[3] == 1) return fields;
        }
        return std::vector<double>(6, -1.0);
    };
    auto reachOf = [&](const std::string& head) { return reachFields(head)[0]; };
    // The band of the file's allowed error, 5 %.
    EXPECT_NEAR(reachFields("2,\"Z2,PP\",45,")[4], 0.95 * 81.0 / 8 * std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(reachFields("2,\"Z2,PP\",45,")[5], 1.05 * 81.0 / 8 * std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(reachOf("2,\"Z2,PP\",45,"), 81.0 / 8 * std::sqrt(2.0), 1e-5);
    EXPECT_EQ(reachOf("2,\"Z2,PP\",225,"), -1);
    // The circle on the diameter from 1 Ω ∠ 258° to 10 Ω ∠ 78°, left backwards.
    const P2 c = 4.5 * P2{std::cos(78 * kRad), std::sin(78 * kRad)},
             d{-std::sqrt(0.5), -std::sqrt(0.5)};
    const double off = Cross(d, c);
    EXPECT_NEAR(reachOf("1,\"Z1,LE\",225,"), Dot(d, c) + std::sqrt(5.5 * 5.5 - off * off), 1e-5);
    run = qztest::Quarnz("reach " + file("lens.zone") + "--row 1 --angles 70:80:5 --json", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    j = json::parse(run.out);
    ASSERT_EQ(j["zones"][0]["rays"].size(), 3u);
    EXPECT_NEAR(j["zones"][0]["rays"][1]["reach"]["distance"].get<double>(), 20, 1e-5);
    run = qztest::Quarnz("reach " + file("quad.zone"), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "row  strTag      angle       reach                               inner         "
              "outer         crossings");

    // Points inside and outside the circle, the quadrilateral and the lens.
    run = qztest::Quarnz("inside " + file("mho.zone") + "--zone Z1,LE 5 5 8 0", dir);
    EXPECT_EQ(run.out, "5  5  inside\n8  0  outside\n");
    run = qztest::Quarnz("inside " + file("quad.zone") + "--row 1 --json -- 5 5 -1 -1", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    j = json::parse(run.out);
    EXPECT_EQ(j["points"][0]["inside"], true);
    EXPECT_EQ(j["points"][1]["inside"], false);
    run = qztest::Quarnz("inside " + file("lens.zone") + "--row 1 --csv 4 12 12 4", dir);
    EXPECT_EQ(run.out, "R,X,inside\n4,12,1\n12,4,0\n");

    // Faults: one line, status 1.
    const std::string several = file("several.zone");
    for (auto [args, err] : std::vector<std::pair<std::string, std::string>>{
             {"reach " + several + "--zone Z9", "no zone tagged Z9"},
             {"reach " + several + "--zone Z4,PP", "zone Z4,PP has no elements"},
             {"reach " + several + "--angles 10:0:1", "--angles 10:0:1: expected a positive"},
             {"reach " + several + "--angles 0:10", "--angles 0:10: expected FROM:TO:STEP"},
             {"reach " + several + "--angle x", "--angle x: not a finite number"},
             {"inside " + several + "--zone Z1,LE 1", "expected impedances as pairs R X"},
             {"reach " + several + "--tolerance 100", "--tolerance 100: expected PCT[,OHM]"},
             {"reach " + several + "--tolerance 5,-1", "--tolerance 5,-1: expected PCT[,OHM]"},
             {"reach " + several + "--tolerance-rx 1", "--tolerance-rx 1: expected R_OHM,X_OHM"},
         }) {
        run = qztest::Quarnz(args, dir);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err.find(err), std::string::npos) << args << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST(QuarnzShots, ShotsAreInsideAndOutsideAsLabelled) {
    qztest::TempDir dir;
    const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
    ASSERT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                 dir.path().string() + "'")
                  .status,
              0);
    using nlohmann::json;
    const std::string several = "'" + (dir.path() / "several.zone").string() + "' ";
    // The zones with elements; each shot checked by the point test of its
    // own zone and of the others.
    const std::vector<std::string> tags = {"Z1,LE", "Z2,PP", "Z3,LE"};
    std::size_t trips = 0, noTrips = 0, nones = 0, othersSeen = 0;
    for (const std::string& tag : tags) {
        qztest::ToolRun run =
            qztest::Quarnz("shots " + several + "--zone " + tag + " --angles 0:360:15 --json", dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const json shots = json::parse(run.out)["shots"];
        ASSERT_EQ(shots.size(), 2u * 25);
        std::string points;
        std::vector<const json*> placed;
        for (const json& shot : shots) {
            if (shot["expected"].is_null()) {
                ++nones;
                continue;
            }
            const double d = shot["distance"].get<double>(), a = shot["angle"].get<double>();
            EXPECT_NEAR(shot["R"].get<double>(), d * std::cos(a * kRad), 1e-9);
            points += " " + shot["R"].dump() + " " + shot["X"].dump();
            placed.push_back(&shot);
        }
        for (const std::string& zone : tags) {
            run =
                qztest::Quarnz("inside " + several + "--zone " + zone + " --csv --" + points, dir);
            ASSERT_EQ(run.status, 0) << run.err;
            std::stringstream lines(run.out);
            std::string line;
            std::getline(lines, line);
            for (const json* shot : placed) {
                ASSERT_TRUE(std::getline(lines, line));
                const bool in = line.back() == '1';
                if (zone == tag) {
                    EXPECT_EQ(in, (*shot)["expected"] == "trip") << tag << " " << shot->dump();
                    ++((*shot)["expected"] == "trip" ? trips : noTrips);
                } else {
                    const json& others = (*shot)["others"];
                    EXPECT_EQ(in, std::find(others.begin(), others.end(), zone) != others.end())
                        << tag << " in " << zone << ": " << shot->dump();
                    othersSeen += in;
                }
            }
        }
    }
    EXPECT_GT(trips, 20u);
    EXPECT_GT(noTrips, 20u);
    EXPECT_GT(nones, 0u);  // backwards, where the zones do not reach
    EXPECT_GT(othersSeen, 0u);

    // Along the mho's setting, 10 ohms at 78 degrees, with the 5 % band and
    // the 2 % margin; a 10 % margin at 3 % and 0.8 ohms.
    const std::string mho = "'" + (dir.path() / "mho.zone").string() + "' --zone Z1,LE ";
    qztest::ToolRun run = qztest::Quarnz("shots " + mho + "--csv", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::stringstream csv(run.out);
    std::string header, inside, outside;
    std::getline(csv, header), std::getline(csv, inside), std::getline(csv, outside);
    EXPECT_EQ(header, "angle,shot,expected,distance,R,X,others");
    auto distanceOf = [](const std::string& line) {
        std::size_t at = 0;
        for (int i = 0; i < 3; ++i) at = line.find(',', at) + 1;
        return std::stod(line.substr(at));
    };
    EXPECT_NE(inside.find(",inside,trip,"), std::string::npos) << inside;
    EXPECT_NEAR(distanceOf(inside), 9.5 * 0.98, 1e-5);
    EXPECT_NE(outside.find(",outside,no trip,"), std::string::npos) << outside;
    EXPECT_NEAR(distanceOf(outside), 10.5 * 1.02, 1e-5);
    run = qztest::Quarnz("shots " + mho + "--margin 10 --tolerance 3,0.8 --angle 78", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("inside   trip      8.28 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("outside  no trip   11.88 "), std::string::npos) << run.out;

    for (auto [args, err] : std::vector<std::pair<std::string, std::string>>{
             {"shots " + several, "give --zone or --row"},
             {"shots " + mho + "--margin 100", "--margin 100: expected a percentage"},
         }) {
        run = qztest::Quarnz(args, dir);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err.find(err), std::string::npos) << args << ": " << run.err;
    }
}
#endif
