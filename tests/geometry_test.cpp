#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "formula/formula_parser.h"
#include "gfx/recording_canvas.h"
#include "records/geometry.h"
#include "records/setting.h"
#include "test_util.h"

using namespace qz;
using gfx::Call;
using gfx::CRecordingCanvas;
using Lines = std::vector<std::string>;

namespace {

PictPoint Polar(float mag, float ang) {
    return {0, mag, ang, u"0.0", u"0.0"};
}
PictPoint Rect(float R, float X) {
    return {1, R, X, u"0.0", u"0.0"};
}

float Distance(RectValue a, RectValue b) {
    return std::hypot(a.R - b.R, a.X - b.X);
}

CPictMho Mho(PictPoint z1, PictPoint z2, float shift) {
    CPictMho m;
    m.ptZ1 = z1;
    m.ptZ2 = z2;
    m.fShiftAngle = shift;
    return m;
}

CPictLens Lens(PictPoint z1, PictPoint z2, float inner) {
    CPictLens l;
    l.ptZ1 = z1;
    l.ptZ2 = z2;
    l.fInnerAngle = inner;
    return l;
}

CPictLine Line(PictPoint z, float inclination) {
    CPictLine l;
    l.ptZ = z;
    l.fInclination = inclination;
    return l;
}

void ExpectRect(const PictPoint& p, float R, float X) {
    RectValue r = p.Rect();
    EXPECT_NEAR(r.R, R, 1e-4) << "X = " << r.X;
    EXPECT_NEAR(r.X, X, 1e-4) << "R = " << r.R;
}

Lines Drawn(const CPict& pict, int ox, int oy, double scale) {
    CRecordingCanvas dc(400, 400);
    pict.Draw(dc, ox, oy, scale, scale);
    return dc.Lines();
}

}  // namespace

TEST(Geometry, CircleThroughBothPointsWithDeflection) {
    float R, X, r;
    Mho(Polar(10, 90), Polar(0, 0), 0).GetCircle(R, X, r);
    EXPECT_NEAR(R, 0, 1e-5);
    EXPECT_NEAR(X, 5, 1e-5);
    EXPECT_NEAR(r, 5, 1e-5);

    // Positive deflection turns the diameter through Z2 clockwise.
    for (float beta : {30.0f, -30.0f, 60.0f}) {
        CPictMho m = Mho(Polar(10, 90), Polar(0, 0), beta);
        m.GetCircle(R, X, r);
        EXPECT_NEAR(r, 5 / std::cos(beta * M_PI / 180), 1e-4) << beta;
        EXPECT_NEAR(Distance({R, X}, {0, 10}), r, 1e-4) << beta;
        EXPECT_NEAR(Distance({R, X}, {0, 0}), r, 1e-4) << beta;
    }
    Mho(Polar(10, 90), Polar(0, 0), 30).GetCircle(R, X, r);
    EXPECT_NEAR(R, 2.887, 1e-3);
    EXPECT_NEAR(X, 5.000, 1e-3);
    EXPECT_NEAR(2 * r, 11.547, 1e-3);

    // An offset circle in mixed forms still passes through both points.
    CPictMho m = Mho(Polar(8, 75), Rect(-1, -2), 20);
    m.GetCircle(R, X, r);
    EXPECT_NEAR(Distance({R, X}, m.ptZ1.Rect()), r, 1e-4);
    EXPECT_NEAR(Distance({R, X}, {-1, -2}), r, 1e-4);
}

TEST(Geometry, LensCentresAndRelations) {
    RectValue c1, c2;
    float r;
    Lens(Rect(0, 10), Polar(0, 0), 120).GetLensArcs(c1, c2, r);
    EXPECT_NEAR(r, 5.7735, 1e-4);
    EXPECT_NEAR(c1.R, -2.887, 1e-3);
    EXPECT_NEAR(c1.X, 5, 1e-4);
    EXPECT_NEAR(c2.R, 2.887, 1e-3);
    EXPECT_NEAR(c2.X, 5, 1e-4);
    for (RectValue c : {c1, c2}) {
        EXPECT_NEAR(Distance(c, {0, 10}), r, 1e-4);
        EXPECT_NEAR(Distance(c, {0, 0}), r, 1e-4);
    }

    Lens(Rect(0, 10), Polar(0, 0), 90).GetLensArcs(c1, c2, r);
    EXPECT_NEAR(r, 5, 1e-5);
    EXPECT_NEAR(c1.R, 0, 1e-5);
    EXPECT_NEAR(c1.X, 5, 1e-5);
    EXPECT_NEAR(c2.R, 0, 1e-5);
    EXPECT_NEAR(c2.X, 5, 1e-5);

    LensShape s = LensFromInnerAngle(120, 10);
    EXPECT_NEAR(s.fRatioAB, 0.57735, 1e-5);
    EXPECT_NEAR(s.fWidthA, 5.7735, 1e-4);
    EXPECT_FLOAT_EQ(s.fInnerAngle, 120);
    s = LensFromInnerAngle(0, 10);
    EXPECT_FLOAT_EQ(s.fRatioAB, 1);
    EXPECT_FLOAT_EQ(s.fWidthA, 10);

    s = LensFromWidth(10, 10);
    EXPECT_FLOAT_EQ(s.fRatioAB, 1);
    EXPECT_NEAR(s.fInnerAngle, 90, 1e-4);
    EXPECT_FLOAT_EQ(s.fWidthA, 10);
    s = LensFromWidth(3, 0);  // no chord: the ratio falls back to 1
    EXPECT_FLOAT_EQ(s.fRatioAB, 1);
    EXPECT_NEAR(s.fInnerAngle, 90, 1e-4);
    EXPECT_FLOAT_EQ(s.fWidthA, 3);

    s = LensFromRatio(0, 10);
    EXPECT_FLOAT_EQ(s.fInnerAngle, 180);
    EXPECT_FLOAT_EQ(s.fWidthA, 0);
    s = LensFromRatio(0.57735f, 10);
    EXPECT_NEAR(s.fInnerAngle, 120, 1e-3);
    EXPECT_NEAR(s.fWidthA, 5.7735, 1e-4);
}

TEST(Geometry, LinkPolygonSquareAndParallelLines) {
    CPictLine l0 = Line(Rect(0, 0), 0), l1 = Line(Rect(5, 0), 90), l2 = Line(Rect(0, 5), 180),
              l3 = Line(Polar(0, 0), 270);
    l3.ptZ2.strFormula1 = u"kept";
    std::vector<CPictLine*> square{&l0, &l1, &l2, &l3};
    LinkPolygon(square);
    const float vertices[5][2] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectRect(square[i]->ptZ1, vertices[i][0], vertices[i][1]);
        ExpectRect(square[i]->ptZ2, vertices[i + 1][0], vertices[i + 1][1]);
        EXPECT_EQ(square[i]->ptZ2.nCoord, 1);
    }
    // A written vertex keeps the formulas; Z1 of the first line is a copy of it.
    EXPECT_EQ(l3.ptZ2.strFormula1, u"kept");
    EXPECT_EQ(l0.ptZ1.strFormula1, u"kept");

    // Two consecutive parallels: the first ends at the projection of ten times
    // its point, and the second starts there.
    CPictLine p0 = Line(Rect(1, 1), 0), p1 = Line(Rect(0, 2), 180), p2 = Line(Rect(3, 0), 90);
    std::vector<CPictLine*> open{&p0, &p1, &p2};
    LinkPolygon(open);
    ExpectRect(p0.ptZ1, 3, 1);  // p0 meets p2 at R = 3
    ExpectRect(p0.ptZ2, 10, 1);
    ExpectRect(p1.ptZ1, 10, 1);
    ExpectRect(p1.ptZ2, 3, 2);
    ExpectRect(p2.ptZ1, 3, 2);
    ExpectRect(p2.ptZ2, 3, 1);

    // The first and last parallel: the first line starts at its own point Z
    // and the last line's end stays as it was.
    CPictLine q0 = Line(Polar(2, 90), 0), q1 = Line(Rect(4, 0), 90), q2 = Line(Rect(0, 7), 0);
    q2.ptZ2 = Rect(-9, -9);
    std::vector<CPictLine*> closed{&q0, &q1, &q2};
    LinkPolygon(closed);
    EXPECT_EQ(q0.ptZ1.nCoord, 0);  // a copy of Z in its own form
    ExpectRect(q0.ptZ1, 0, 2);
    ExpectRect(q0.ptZ2, 4, 2);
    ExpectRect(q2.ptZ1, 4, 7);
    ExpectRect(q2.ptZ2, -9, -9);

    std::vector<CPictLine*> none;
    LinkPolygon(none);
}

TEST(Geometry, LinkPolygonOneOrTwoLinesAndNearAxisInclinations) {
    // One line: Z2 is Z + (1, 1) projected onto the line, which shows how
    // each inclination was classified.
    struct Case {
        float inclination, R2, X2;
    };
    const float k015 = std::tan(0.15 * M_PI / 180), k35995 = std::tan(359.95 * M_PI / 180);
    for (Case c : {Case{0.05f, 3, 3}, Case{179.95f, 3, 3}, Case{90.05f, 2, 4}, Case{270.05f, 2, 4},
                   Case{-90, 2, 4}, Case{-180, 3, 3}, Case{0.15f, 3, 3 + k015},
                   Case{359.95f, 3, 3 + k35995}}) {
        SCOPED_TRACE(c.inclination);
        CPictLine l = Line(Rect(2, 3), c.inclination);
        std::vector<CPictLine*> one{&l};
        LinkPolygon(one);
        ExpectRect(l.ptZ1, 2, 3);
        ExpectRect(l.ptZ2, c.R2, c.X2);
    }

    // Two lines: the second ends at its point Z, or just beside it when Z is
    // where it starts.
    CPictLine a = Line(Rect(0, 0), 0), b = Line(Rect(5, 0), 90);
    std::vector<CPictLine*> two{&a, &b};
    LinkPolygon(two);
    ExpectRect(a.ptZ2, 5, 0);
    ExpectRect(b.ptZ1, 5, 0);
    ExpectRect(b.ptZ2, 5, 1);
    b.ptZ = Rect(5, 8);
    LinkPolygon(two);
    ExpectRect(b.ptZ2, 5, 8);
    // Parallel pair: the first ends beside its own point.
    CPictLine c = Line(Rect(1, 1), 45), d = Line(Rect(0, 3), 45);
    std::vector<CPictLine*> parallel{&c, &d};
    LinkPolygon(parallel);
    ExpectRect(c.ptZ2, 2, 2);
    ExpectRect(d.ptZ1, 2, 2);
    ExpectRect(d.ptZ2, 0, 3);

    // The list form: an arc is a side with its centre as the point and its
    // radius as the inclination; a circle has no side and stays as it was.
    PictList list;
    list.push_back(std::make_unique<CPictLine>(Line(Rect(0, 0), 0)));
    list.push_back(std::make_unique<CPictMho>());
    auto arc = std::make_unique<CPictArc>();
    arc->ptZ0 = Rect(5, 0);
    arc->fRadius = 90;
    list.push_back(std::move(arc));
    list.push_back(std::make_unique<CPictLine>(Line(Rect(0, 5), 180)));
    list.push_back(std::make_unique<CPictLine>(Line(Rect(0, 0), 270)));
    LinkPolygon(list);
    const auto& linkedArc = static_cast<CPictArc&>(*list[2]);
    ExpectRect(static_cast<CPictLine&>(*list[0]).ptZ2, 5, 0);
    ExpectRect(linkedArc.ptZ1, 5, 0);
    ExpectRect(linkedArc.ptZ2, 5, 5);
    ExpectRect(static_cast<CPictLine&>(*list[3]).ptZ1, 5, 5);
    ExpectRect(linkedArc.ptZ0, 5, 0);
    EXPECT_EQ(linkedArc.fRadius, 90.0f);
    const auto& circle = static_cast<CPictMho&>(*list[1]);
    EXPECT_EQ(circle.ptZ1.nCoord, 0);
    EXPECT_EQ(circle.ptZ1.fValue1, 0.0f);
}

TEST(Geometry, DrawEachClassInPixels) {
    // Truncation toward zero after adding 0.5.
    CPictLine line;
    line.ptZ1 = Rect(-0.7f, 0.7f);
    line.ptZ2 = Rect(-1.7f, 1.7f);
    EXPECT_EQ(Drawn(line, 0, 0, 1), (Lines{"MoveToEx 0,0", "LineTo -1,-1 pen=solid/1/#000000"}));
    EXPECT_EQ(Drawn(line, 100, 100, 1),
              (Lines{"MoveToEx 99,99", "LineTo 98,98 pen=solid/1/#000000"}));

    CPictMho circle = Mho(Polar(10, 90), Polar(0, 0), 0);
    EXPECT_EQ(Drawn(circle, 100, 100, 10),
              (Lines{"Ellipse 50,0,150,100 pen=solid/1/#000000 brush=#ffffff"}));

    CPictArc arc;
    arc.ptZ0 = Rect(0, 0);
    arc.fRadius = 2;
    arc.ptZ1 = Rect(1, 0);
    arc.ptZ2 = Polar(1, 90);
    EXPECT_EQ(Drawn(arc, 50, 50, 10), (Lines{"Arc 30,30,70,70 60,50 50,40 pen=solid/1/#000000"}));
    arc.nClockwise = 1;
    EXPECT_EQ(Drawn(arc, 50, 50, 10), (Lines{"Arc 30,30,70,70 50,40 60,50 pen=solid/1/#000000"}));

    // Around C1 from Z2 to Z1, then around C2 from Z1 to Z2.
    CPictLens lens = Lens(Rect(0, 10), Polar(0, 0), 120);
    EXPECT_EQ(Drawn(lens, 0, 0, 1), (Lines{"Arc -8,-10,4,2 0,0 0,-9 pen=solid/1/#000000",
                                           "Arc -3,-10,9,2 0,-9 0,0 pen=solid/1/#000000"}));

    // The base class draws nothing.
    EXPECT_TRUE(Drawn(qztest::ForeignPict{}, 0, 0, 1).empty());
}

TEST(PixelConversions, GuardedTruncationAndRounding) {
    EXPECT_EQ(TruncToInt(-2.7), -2);
    EXPECT_EQ(RoundToInt(-2.5), -3);  // halves away from zero
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-0.4), 0);
    EXPECT_EQ(TruncToInt(NAN), 0);
    EXPECT_EQ(RoundToInt(-INFINITY), -1073741824);
    EXPECT_EQ(TruncToInt(1e300, kPixelLimit), 4194304);
    // The stored files' conversion goes to the "integer indefinite" instead.
    EXPECT_EQ(TruncToInt32(2147483647.9), INT32_MAX);
    EXPECT_EQ(TruncToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(TruncToInt32(-1e300), INT32_MIN);
}

TEST(Geometry, DrawingSurvivesDegenerateValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto inLimit = [](const CRecordingCanvas& dc) {
        for (const Call& c : dc.Calls())
            for (int v : c.ints)
                if (std::abs(v) > kPixelLimit) return false;
        return true;
    };
    auto draw = [&](const CPict& p, double scale = 10) {
        CRecordingCanvas dc(400, 400);
        p.Draw(dc, 200, 200, scale, scale);
        EXPECT_TRUE(inLimit(dc));
        return dc.Lines();
    };

    // A lens of 180 degrees is its chord, one of 0 degrees the line beyond
    // its tips, a circle deflected by 90 degrees the whole line through its
    // points: each cut a few pixels beyond the canvas.  They reach as far as
    // their points, not as their vanishing curvature would.
    const Lines chord{"MoveToEx 200,100", "LineTo 200,200 pen=solid/1/#000000"};
    for (float inner : {180.0f, 179.99999f}) {
        EXPECT_EQ(draw(Lens(Polar(10, 90), Polar(0, 0), inner)), chord) << inner;
        EXPECT_FLOAT_EQ(Lens(Polar(10, 90), Polar(0, 0), inner).Extent(), 10);
    }
    EXPECT_EQ(draw(Lens(Polar(10, 90), Polar(0, 0), 0)),
              (Lines{"MoveToEx 200,100", "LineTo 200,-3 pen=solid/1/#000000", "MoveToEx 200,200",
                     "LineTo 200,404 pen=solid/1/#000000"}));
    for (float beta : {90.0f, -90.0f, 270.0f}) {
        CPictMho m = Mho(Polar(10, 90), Polar(0, 0), beta);
        Lines l = draw(m);
        ASSERT_EQ(l.size(), 2u) << beta;
        EXPECT_EQ(l[0].substr(0, 12), "MoveToEx 200") << l[0];
        EXPECT_EQ(l[1].substr(0, 10), "LineTo 200") << l[1];
        EXPECT_FLOAT_EQ(m.Extent(), 10);
    }
    // A slanted line leaves through two sides, ends beyond the canvas.
    {
        CRecordingCanvas dc(400, 300);
        Mho(Rect(1, 1), Rect(0, 0), 90).Draw(dc, 200, 150, 10, 10);
        ASSERT_EQ(dc.Calls().size(), 2u);
        std::vector<int> a = dc.Calls()[0].ints, b = dc.Calls()[1].ints;
        EXPECT_NEAR(a[0] - 200, 150 - a[1], 1);  // on the diagonal through the origin
        EXPECT_NEAR(b[0] - 200, 150 - b[1], 1);
        EXPECT_TRUE(std::min(a[1], b[1]) < 0 && std::max(a[1], b[1]) > 300);
    }
    // Without a chord the limit has no direction: the circle of radius 0.
    EXPECT_FLOAT_EQ(Mho(Polar(0, 0), Polar(0, 0), 90).Extent(), 0);
    for (float inner : {nan, inf})
        EXPECT_TRUE(draw(Lens(Polar(10, 90), Polar(0, 0), inner)).empty()) << inner;
    EXPECT_EQ(draw(Lens(Polar(10, 90), Polar(0, 0), 170)).size(), 2u);
    // Huge but not yet straight circles whose box leaves the device range
    // are left out.
    EXPECT_TRUE(draw(Lens(Polar(10, 90), Polar(0, 0), 179.99f), 1e4).empty());
    EXPECT_TRUE(draw(Mho(Polar(10, 90), Polar(0, 0), nan)).empty());
    EXPECT_EQ(draw(Mho(Polar(10, 90), Polar(0, 0), 80)).size(), 1u);
    EXPECT_TRUE(draw(Mho(Polar(nan, 90), Polar(0, 0), 0)).empty());
    EXPECT_TRUE(draw(Mho(Polar(10, 90), Polar(0, 0), 0), inf).empty());
    // A deflection beyond 90 degrees gives a negative radius: the same circle.
    EXPECT_EQ(draw(Mho(Polar(10, 90), Polar(0, 0), 180)),
              (Lines{"Ellipse 150,100,250,200 pen=solid/1/#000000 brush=#ffffff"}));

    // Lines: infinite or NaN ends draw nothing, far ends are clipped along
    // the line.
    CPictLine line;
    line.ptZ1 = Rect(0, 0);
    line.ptZ2 = Rect(inf, 0);
    EXPECT_TRUE(draw(line).empty());
    line.ptZ2 = Rect(nan, 1);
    EXPECT_TRUE(draw(line).empty());
    line.ptZ2 = Rect(1e30f, 1e30f);
    {
        CRecordingCanvas dc(400, 400);
        line.Draw(dc, 200, 200, 10, 10);
        ASSERT_EQ(dc.Calls().size(), 2u);
        EXPECT_EQ(dc.Calls()[0].ints, (std::vector<int>{200, 200}));
        // Leaves the box at its right edge, still on the diagonal.
        const std::vector<int>& end = dc.Calls()[1].ints;
        EXPECT_NEAR(end[0], kPixelLimit, 1);
        EXPECT_NEAR(end[1], 401 - kPixelLimit, 1);
    }
    line.ptZ1 = Rect(-1e9f, 1);
    line.ptZ2 = Rect(1e9f, 1);
    {
        CRecordingCanvas dc(400, 400);
        line.Draw(dc, 200, 200, 10, 10);
        ASSERT_EQ(dc.Calls().size(), 2u);
        EXPECT_NEAR(dc.Calls()[0].ints[0], -kPixelLimit, 1);
        EXPECT_EQ(dc.Calls()[0].ints[1], 190);
        EXPECT_NEAR(dc.Calls()[1].ints[0], kPixelLimit, 1);
        EXPECT_EQ(dc.Calls()[1].ints[1], 190);
    }
    // Both ends so far that double rounding alone exceeds a pixel.
    line.ptZ1 = Rect(-1e30f, 1);
    line.ptZ2 = Rect(1e30f, 1);
    EXPECT_TRUE(draw(line).empty());
    line.ptZ1 = Rect(1e30f, 1e30f);  // wholly outside
    line.ptZ2 = Rect(2e30f, 1e30f);
    EXPECT_TRUE(draw(line).empty());

    // An arc's far end keeps its ray; an infinite one drops the arc.
    CPictArc arc;
    arc.ptZ0 = Rect(0, 0);
    arc.fRadius = 1;
    arc.ptZ1 = Rect(1e30f, 0);
    arc.ptZ2 = Rect(0, 1e30f);
    Lines a = draw(arc);
    ASSERT_EQ(a.size(), 1u);
    int half = int(kPixelLimit / 2);
    EXPECT_EQ(a[0], "Arc 190,190,210,210 " + std::to_string(200 + half) + ",200 200," +
                        std::to_string(200 - half) + " pen=solid/1/#000000");
    arc.ptZ2 = Rect(0, -inf);
    EXPECT_TRUE(draw(arc).empty());
    arc.ptZ2 = Rect(0, 1);
    arc.fRadius = 1e30f;
    EXPECT_TRUE(draw(arc).empty());
}

TEST(Geometry, TemplateInstantiationFillsValuesFromFormulas) {
    // A characteristic as the template database stores it: formula form.
    CPictMho mho;
    mho.ptZ1 = {0, 0, 0, u"ZZD_MAG", u"ZZD_ANG"};
    mho.ptZ2 = {0, 0, 0, u"0.1*ZZD_MAG", u"ZZD_ANG+180"};
    mho.strShiftAngle = u"ANGSHIFT";
    CPictLine line;
    line.ptZ1 = {1, 0, 0, u"RZD", u"0"};
    line.ptZ2 = {1, 0, 0, u"RZD", u"ZZD_MAG*SIN(RAD(ZZD_ANG))"};
    CPictArc arc;
    arc.ptZ0 = {1, 0, 0, u"1+X", u"2^-1"};
    arc.strRadius = u"10^39";
    arc.nClockwise = 1;
    CPictLens lens;
    lens.ptZ1 = {0, 0, 0, u"ZZD_MAG", u"ZZD_ANG"};
    lens.strInnerAngle = u"120";
    PictList stored;
    stored.push_back(std::make_unique<CPictMho>(mho));
    stored.push_back(std::make_unique<CPictLine>(line));
    stored.push_back(std::make_unique<CPictArc>(arc));
    stored.push_back(std::make_unique<CPictLens>(lens));
    auto bytes =
        qztest::Store([&](CArchiveWriter& ar) { StorePicts(ar, stored, PictForm::kFormula); });
    PictList list;
    CArchiveReader in(bytes.data(), bytes.size());
    LoadPicts(in, list, PictForm::kFormula);
    ASSERT_EQ(list.size(), 4u);

    CFormulaParser parser;
    BindSetting(parser, {2, 10, 75, 3});  // ZZD_MAG 10, ZZD_ANG 75, RZD 3, ANGSHIFT 0
    InstantiatePicts(list, parser);

    auto& m = static_cast<CPictMho&>(*list[0]);
    EXPECT_EQ(m.ptZ1.nCoord, 0);
    EXPECT_FLOAT_EQ(m.ptZ1.fValue1, 10);
    EXPECT_FLOAT_EQ(m.ptZ1.fValue2, 75);
    EXPECT_EQ(m.ptZ2.fValue1, 1.0f);  // rounded to single precision from 0.1 * 10
    EXPECT_FLOAT_EQ(m.ptZ2.fValue2, 255);
    EXPECT_FLOAT_EQ(m.fShiftAngle, 0);

    auto& l = static_cast<CPictLine&>(*list[1]);
    EXPECT_EQ(l.ptZ1.nCoord, 1);
    EXPECT_FLOAT_EQ(l.ptZ1.fValue1, 3);
    EXPECT_FLOAT_EQ(l.ptZ2.fValue1, 3);
    EXPECT_EQ(l.ptZ2.fValue2, float(10 * std::sin(75 * 3.141592653589793 / 180)));
    EXPECT_EQ(l.ptZ.fValue1, 0);  // point Z and inclination keep their defaults
    EXPECT_EQ(l.fInclination, 0);

    auto& a = static_cast<CPictArc&>(*list[2]);
    EXPECT_EQ(a.nClockwise, 1);
    EXPECT_FLOAT_EQ(a.ptZ0.fValue1, 1);  // faulty formula: whatever the parser returns
    EXPECT_FLOAT_EQ(a.ptZ0.fValue2, 0.5f);
    EXPECT_TRUE(std::isinf(a.fRadius) && a.fRadius > 0);  // beyond single precision

    auto& s = static_cast<CPictLens&>(*list[3]);
    EXPECT_FLOAT_EQ(s.ptZ1.fValue1, 10);
    EXPECT_FLOAT_EQ(s.fInnerAngle, 120);
    EXPECT_EQ(s.fWidthA, 0);
    EXPECT_EQ(s.fRatioAB, 0);
}
