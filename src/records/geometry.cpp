#include "records/geometry.h"

#include <cmath>

#include "formula/formula_parser.h"

namespace qz {

namespace {

void Evaluate(CFormulaParser& parser, const FormulaText& formula, float& value) {
    std::uint16_t errorPosition = 0;
    Text errorText;
    value = ToSingle(parser.Evaluate(formula, errorPosition, errorText));
}

// Fills each value that a formula of the element defines.
class Instantiation final : public PictFieldEditor {
  public:
    explicit Instantiation(CFormulaParser& parser) : parser_(parser) {}

    void Point(PictFieldName, PictPoint& point, bool inFormulaForm) override {
        if (!inFormulaForm) return;
        Evaluate(parser_, point.strFormula1, point.fValue1);
        Evaluate(parser_, point.strFormula2, point.fValue2);
    }
    void Real(PictFieldName, const char*, float&) override {}
    void Formula(PictFieldName, FormulaText& formula, float& value) override {
        Evaluate(parser_, formula, value);
    }
    void Flag(PictFieldName, std::int32_t&, const char*, const char*) override {}

  private:
    CFormulaParser& parser_;
};

}  // namespace

void InstantiatePict(CPict& pict, CFormulaParser& parser) {
    Instantiation fill(parser);
    pict.VisitFields(fill);
}

void InstantiatePicts(PictList& list, CFormulaParser& parser) {
    for (auto& pict : list) InstantiatePict(*pict, parser);
}

PolarValue Chord(const PictPoint& z1, const PictPoint& z2) {
    return SubPolar(z1.Polar(), z2.Polar());
}

float DeflectionCosine(float shiftAngle) {
    return float(std::cos(shiftAngle * kPi / 180));
}

float LensCosine(float innerAngle) {
    return float(std::cos((innerAngle - 90) * kPi / 180));
}

void CPictMho::GetCircle(float& centreR, float& centreX, float& radius) const {
    PolarValue chord = Chord(ptZ1, ptZ2);
    float cosine = DeflectionCosine(fShiftAngle);
    float diameter = chord.mag / cosine;
    PolarValue c = AddPolar(ptZ2.Polar(), {diameter / 2, chord.ang - fShiftAngle});
    RectValue centre = PolarToRect(c.mag, c.ang);
    centreR = centre.R;
    centreX = centre.X;
    radius = diameter / 2;
}

void CPictLens::GetLensArcs(RectValue& centre1, RectValue& centre2, float& radius) const {
    PolarValue chord = Chord(ptZ1, ptZ2);
    float a = fInnerAngle - 90;
    float cosine = LensCosine(fInnerAngle);
    radius = chord.mag / cosine / 2;
    PolarValue z2 = ptZ2.Polar();
    PolarValue c1 = AddPolar(z2, {radius, chord.ang + a});
    PolarValue c2 = AddPolar(z2, {radius, chord.ang - a});
    centre1 = PolarToRect(c1.mag, c1.ang);
    centre2 = PolarToRect(c2.mag, c2.ang);
}

namespace {

// Inner angle from the ratio A/B: the angle at a tip between the two arcs.
float InnerAngleOfRatio(float ratio) {
    if (std::fabs(ratio) > 0.0001f) return ToSingle(2 * std::atan(1 / double(ratio)) * 180 / kPi);
    return 180;
}

}  // namespace

LensShape LensFromInnerAngle(float innerAngle, float chordLength) {
    LensShape s;
    s.fInnerAngle = innerAngle;
    s.fRatioAB = std::fabs(innerAngle) > 0.0001f
                     ? ToSingle(1 / std::tan(innerAngle / 2.0 * kPi / 180))
                     : 1.0f;
    s.fWidthA = chordLength * s.fRatioAB;
    return s;
}

LensShape LensFromWidth(float widthA, float chordLength) {
    LensShape s;
    s.fWidthA = widthA;
    s.fRatioAB = std::fabs(chordLength) > 0.0001f ? widthA / chordLength : 1.0f;
    s.fInnerAngle = InnerAngleOfRatio(s.fRatioAB);
    return s;
}

LensShape LensFromRatio(float ratioAB, float chordLength) {
    LensShape s;
    s.fRatioAB = ratioAB;
    s.fInnerAngle = InnerAngleOfRatio(ratioAB);
    s.fWidthA = chordLength * ratioAB;
    return s;
}

// ---- polygon linking ----

namespace {

struct LineDescriptor {
    int type = 0;  // 0 general: X = k R + c; 1 parallel to R: X = c; 2 parallel to X: R = c
    float k = 0;
    float c = 0;
};

// False for parallel lines.
bool Intersect(const LineDescriptor& i, const LineDescriptor& j, RectValue& at) {
    if (i.type == j.type && std::fabs(i.k - j.k) < 0.001f) return false;
    if (i.type == 2) {
        at = {i.c, i.c * j.k + j.c};
    } else if (j.type == 2) {
        at = {j.c, j.c * i.k + i.c};
    } else {
        float R = -(i.c - j.c) / (i.k - j.k);
        at = {R, R * i.k + i.c};
    }
    return true;
}

RectValue Project(const LineDescriptor& line, RectValue p) {
    switch (line.type) {
        case 1:
            p.X = line.c;
            break;
        case 2:
            p.R = line.c;
            break;
        default:
            p.X = line.k * p.R + line.c;
            break;
    }
    return p;
}

// A vertex replaces the values only; the formulas stay.
void WriteVertex(PictPoint& point, RectValue v) {
    point.nCoord = 1;
    point.fValue1 = v.R;
    point.fValue2 = v.X;
}

RectValue Plus(RectValue p, float d) {
    return {p.R + d, p.X + d};
}

// A side of the polygon as linking sees it: a point on it and its
// inclination, and the two ends that linking sets.
struct Side {
    const PictPoint* z;
    float inclination;
    PictPoint* z1;
    PictPoint* z2;
};

LineDescriptor Describe(const Side& side) {
    float phi = ClampOrWrap(side.inclination, 360, -360);
    if (phi < 0) phi += 360;
    RectValue z = side.z->Rect();
    if (std::fabs(phi) < 0.1f || std::fabs(phi - 180) < 0.1f) return {1, 0, z.X};
    if (std::fabs(phi - 90) < 0.1f || std::fabs(phi - 270) < 0.1f) return {2, 0, z.R};
    float k = float(std::tan(phi * kPi / 180));
    return {0, k, z.X - k * z.R};
}

void Link(std::span<const Side> sides) {
    const std::size_t n = sides.size();
    if (n == 0) return;
    std::vector<LineDescriptor> d;
    d.reserve(n);
    for (const Side& side : sides) d.push_back(Describe(side));
    RectValue at;

    if (n == 1) {
        const Side& side = sides[0];
        *side.z1 = *side.z;
        WriteVertex(*side.z2, Project(d[0], Plus(side.z->Rect(), 1)));
        return;
    }
    if (n == 2) {
        const Side& first = sides[0];
        const Side& second = sides[1];
        *first.z1 = *first.z;
        if (Intersect(d[0], d[1], at))
            WriteVertex(*first.z2, at);
        else
            WriteVertex(*first.z2, Project(d[0], Plus(first.z->Rect(), 1)));
        *second.z1 = *first.z2;
        RectValue z = second.z->Rect(), start = second.z1->Rect();
        if (std::fabs(z.R - start.R) < 0.1f && std::fabs(z.X - start.X) < 0.1f)
            WriteVertex(*second.z2, Project(d[1], Plus(z, 1)));
        else
            WriteVertex(*second.z2, z);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const Side& side = sides[i];
        if (i == 0) {
            const Side& last = sides[n - 1];
            if (Intersect(d[0], d[n - 1], at)) {
                WriteVertex(*last.z2, at);
                *side.z1 = *last.z2;
            } else {
                *side.z1 = *side.z;
            }
        } else {
            *side.z1 = *sides[i - 1].z2;
        }
        if (i + 1 < n) {
            if (Intersect(d[i], d[i + 1], at)) {
                WriteVertex(*side.z2, at);
            } else {
                RectValue z = side.z->Rect();
                WriteVertex(*side.z2, Project(d[i], {10 * z.R, 10 * z.X}));
            }
        }
    }
}

}  // namespace

void LinkPolygon(std::span<CPictLine* const> lines) {
    std::vector<Side> sides;
    sides.reserve(lines.size());
    for (CPictLine* line : lines)
        sides.push_back({&line->ptZ, line->fInclination, &line->ptZ1, &line->ptZ2});
    Link(sides);
}

void LinkPolygon(PictList& list) {
    std::vector<Side> sides;
    for (auto& pict : list) {
        if (auto* line = dynamic_cast<CPictLine*>(pict.get()))
            sides.push_back({&line->ptZ, line->fInclination, &line->ptZ1, &line->ptZ2});
        else if (auto* arc = dynamic_cast<CPictArc*>(pict.get()))
            // An arc stands in the polygon with its centre as the point and
            // its radius as the inclination; linking sets its start and end.
            sides.push_back({&arc->ptZ0, arc->fRadius, &arc->ptZ1, &arc->ptZ2});
    }
    Link(sides);
}

}  // namespace qz
