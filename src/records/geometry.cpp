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

void CPictMho::GetCircle(float& centreR, float& centreX, float& radius) const {
    PolarValue chord = Chord(ptZ1, ptZ2);
    float cosine = float(std::cos(fShiftAngle * kPi / 180));
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
    float cosine = float(std::cos(a * kPi / 180));
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

LineDescriptor Describe(const CPictLine& line) {
    float phi = ClampOrWrap(line.fInclination, 360, -360);
    if (phi < 0) phi += 360;
    RectValue z = line.ptZ.Rect();
    if (std::fabs(phi) < 0.1f || std::fabs(phi - 180) < 0.1f) return {1, 0, z.X};
    if (std::fabs(phi - 90) < 0.1f || std::fabs(phi - 270) < 0.1f) return {2, 0, z.R};
    float k = float(std::tan(phi * kPi / 180));
    return {0, k, z.X - k * z.R};
}

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

}  // namespace

void LinkPolygon(std::span<CPictLine* const> lines) {
    const std::size_t n = lines.size();
    if (n == 0) return;
    std::vector<LineDescriptor> d;
    d.reserve(n);
    for (const CPictLine* line : lines) d.push_back(Describe(*line));
    RectValue at;

    if (n == 1) {
        CPictLine& line = *lines[0];
        line.ptZ1 = line.ptZ;
        WriteVertex(line.ptZ2, Project(d[0], Plus(line.ptZ.Rect(), 1)));
        return;
    }
    if (n == 2) {
        CPictLine& first = *lines[0];
        CPictLine& second = *lines[1];
        first.ptZ1 = first.ptZ;
        if (Intersect(d[0], d[1], at))
            WriteVertex(first.ptZ2, at);
        else
            WriteVertex(first.ptZ2, Project(d[0], Plus(first.ptZ.Rect(), 1)));
        second.ptZ1 = first.ptZ2;
        RectValue z = second.ptZ.Rect(), start = second.ptZ1.Rect();
        if (std::fabs(z.R - start.R) < 0.1f && std::fabs(z.X - start.X) < 0.1f)
            WriteVertex(second.ptZ2, Project(d[1], Plus(z, 1)));
        else
            WriteVertex(second.ptZ2, z);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        CPictLine& line = *lines[i];
        if (i == 0) {
            CPictLine& last = *lines[n - 1];
            if (Intersect(d[0], d[n - 1], at)) {
                WriteVertex(last.ptZ2, at);
                line.ptZ1 = last.ptZ2;
            } else {
                line.ptZ1 = line.ptZ;
            }
        } else {
            line.ptZ1 = lines[i - 1]->ptZ2;
        }
        if (i + 1 < n) {
            if (Intersect(d[i], d[i + 1], at)) {
                WriteVertex(line.ptZ2, at);
            } else {
                RectValue z = line.ptZ.Rect();
                WriteVertex(line.ptZ2, Project(d[i], {10 * z.R, 10 * z.X}));
            }
        }
    }
}

void LinkPolygon(PictList& list) {
    std::vector<CPictLine*> lines;
    for (auto& pict : list)
        if (auto* line = dynamic_cast<CPictLine*>(pict.get())) lines.push_back(line);
    LinkPolygon(lines);
}

}  // namespace qz
