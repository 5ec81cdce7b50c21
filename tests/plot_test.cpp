#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <tuple>

#include "gfx/recording_canvas.h"
#include "records/geometry.h"
#ifdef _WIN32
#include "gfx/gdi/gdi_canvas.h"
#else
#include "gfx/cairo/raster_cairo.h"
#endif
#include "plot/rx_plot.h"
#include "test_util.h"
#include "zones/zone_list.h"

using namespace qz;
using gfx::CRecordingCanvas;
using gfx::Rgb;
using Lines = std::vector<std::string>;

namespace {

const std::string kGrid = "pen=solid/1/#e0e0e0";
const std::string kAxis = "pen=solid/1/#000000";

// A MoveToEx and LineTo pair as the recording shows it.
void Seg(Lines& out, int x1, int y1, int x2, int y2, const std::string& pen) {
    out.push_back("MoveToEx " + std::to_string(x1) + "," + std::to_string(y1));
    out.push_back("LineTo " + std::to_string(x2) + "," + std::to_string(y2) + " " + pen);
}
std::string Label(int x, int y, const std::string& text) {
    return "OutText " + std::to_string(x) + "," + std::to_string(y) + " \"" + text +
           "\" color=#000000 transparent";
}

CPictMho* AddMho(PictList& list, PictPoint z1, PictPoint z2, float shift = 0) {
    auto m = std::make_unique<CPictMho>();
    m->ptZ1 = z1;
    m->ptZ2 = z2;
    m->fShiftAngle = shift;
    list.push_back(std::move(m));
    return static_cast<CPictMho*>(list.back().get());
}
CPictLine* AddLine(PictList& list, float R1, float X1, float R2, float X2) {
    auto l = std::make_unique<CPictLine>();
    l->ptZ1 = {1, R1, X1};
    l->ptZ2 = {1, R2, X2};
    list.push_back(std::move(l));
    return static_cast<CPictLine*>(list.back().get());
}
PictPoint Polar(float mag, float ang) {
    return {0, mag, ang};
}
PictPoint Rect(float R, float X) {
    return {1, R, X};
}

const CRecordingCanvas& Rec(const gfx::CCanvas* layer) {
    return dynamic_cast<const CRecordingCanvas&>(*layer);
}

}  // namespace

TEST(RxPlot, NiceStepFigures) {
    struct Case {
        float x, y;
    };
    for (Case c : {Case{0.2f, 0.3f},
                   {0.35f, 0.4f},
                   {1, 2},
                   {3.5f, 4},
                   {4, 5},
                   {9.95f, 11},
                   {35, 40},
                   {95, 100},
                   {99.95f, 110},
                   {150, 160},
                   {350, 360},
                   {5000, 5100},
                   {0, 0.0011f},
                   {0.66f, 0.7f},
                   {11, 20}})
        EXPECT_FLOAT_EQ(CRxPlot::NiceStep(c.x), c.y) << c.x;
    // Values no setting produces still give an answer, without undefined conversions.
    EXPECT_TRUE(std::isinf(CRxPlot::NiceStep(std::numeric_limits<float>::infinity())));
    EXPECT_TRUE(std::isnan(CRxPlot::NiceStep(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_GT(CRxPlot::NiceStep(3e38f), 3e37f);
}

TEST(RxPlot, FitScaleFromSettingAndElements) {
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    plot.pElements = &list;
    EXPECT_EQ(plot.nDivisions, 10);

    plot.FitScale();  // nothing at all: s becomes 1
    EXPECT_EQ(plot.rcFrame, (gfx::Rect{0, 0, 360, 260}));
    EXPECT_EQ(plot.rcPlot, (gfx::Rect{50, 20, 340, 220}));
    EXPECT_EQ(plot.ptOrigin, (gfx::Point{195, 120}));
    EXPECT_FLOAT_EQ(plot.fStep, 0.3f);
    EXPECT_EQ(plot.nDivisions, 7);
    EXPECT_FLOAT_EQ(plot.fPixelsPerStep, 200.0f / 7);  // the shorter side

    struct Case {
        int mode;
        float z1, z2, z3, step;
        int divisions;
    };
    for (Case c :
         {Case{0, 10, 75, 80, 3, 8},  // the shift angle does not count
          Case{0, -100, 0, 0, 30, 8}, Case{1, 3, -50, 99, 20, 6}, Case{3, 3, -50, 99, 20, 6},
          Case{2, 1, 300, 10, 3, 8}, Case{7, 50, 50, 50, 0.3f, 7},
          // 4.5 x 1.1 as a double product gives 4.9499998 and step 1; a float
          // product would give 4.9500003 and the step 1.1.
          Case{0, 4.5f, 0, 0, 1, 10}}) {
        SCOPED_TRACE(c.mode);
        plot.setting.Zzd_Mode = c.mode;
        plot.setting.Zzd_1 = c.z1, plot.setting.Zzd_2 = c.z2, plot.setting.Zzd_3 = c.z3;
        plot.FitScale();
        EXPECT_FLOAT_EQ(plot.fStep, c.step);
        EXPECT_EQ(plot.nDivisions, c.divisions);
    }

    // Each element kind by its geometry; unknown kinds do not count.
    plot.setting.Zzd_Mode = 0;
    plot.setting.Zzd_1 = 1;
    AddMho(list, Polar(10, 90), Polar(0, 0));  // centre (0, 5), radius 5: extent 10
    plot.FitScale();
    EXPECT_FLOAT_EQ(plot.fStep, 3);
    EXPECT_EQ(plot.nDivisions, 8);
    list.clear();
    AddLine(list, -5, 2, 1, -50);
    plot.FitScale();
    EXPECT_FLOAT_EQ(plot.fStep, 20);
    list.clear();
    auto arc = std::make_unique<CPictArc>();
    arc->ptZ0 = Rect(40, 0);
    arc->fRadius = 10;  // reaches R = 50
    list.push_back(std::move(arc));
    plot.FitScale();
    EXPECT_FLOAT_EQ(plot.fStep, 20);
    list.clear();
    auto lens = std::make_unique<CPictLens>();
    lens->ptZ1 = Rect(0, 10);
    lens->fInnerAngle = 90;  // both circles centre (0, 5), radius 5
    list.push_back(std::move(lens));
    plot.FitScale();
    EXPECT_FLOAT_EQ(plot.fStep, 3);
    list.push_back(std::make_unique<qztest::ForeignPict>());
    plot.FitScale();
    EXPECT_FLOAT_EQ(plot.fStep, 3);
}

TEST(RxPlot, FitScaleAndDrawingSurviveDegenerateValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    plot.pElements = &list;
    plot.setting.Zzd_1 = 10;
    AddLine(list, inf, 0, nan, 1);
    AddMho(list, Polar(nan, 0), Polar(0, 0));
    plot.setting.Zzd_Mode = 1;
    plot.setting.Zzd_2 = nan;
    plot.FitScale();  // what is not finite neither widens nor breaks the scale
    EXPECT_FLOAT_EQ(plot.fStep, 3);
    EXPECT_EQ(plot.nDivisions, 8);

    // Elements whose diameter explodes and values at the float limit.
    AddMho(list, Polar(10, 90), Polar(0, 0), 90);
    auto lens = std::make_unique<CPictLens>();
    lens->ptZ1 = Polar(10, 0);
    lens->fInnerAngle = 180;
    list.push_back(std::move(lens));
    AddLine(list, -3e38f, 3e38f, 3e38f, -3e38f);
    plot.setting.Zzd_2 = 3.4e38f;
    plot.Refresh();
    EXPECT_TRUE(std::isfinite(plot.fStep) && plot.fStep > 1e35f);
    EXPECT_GE(plot.nDivisions, 5);
    EXPECT_LE(plot.nDivisions, 12);
    EXPECT_GT(plot.fPixelsPerStep, 0);
    for (int id = 0; id < screen.LayerCount(); ++id)
        for (const gfx::Call& c : screen.Layer(id).calls)
            for (int v : c.ints) EXPECT_LE(std::abs(v), kPixelLimit);

    // Placeholders too small for a plot rectangle draw no grid; narrow ones
    // draw a dense but bounded one.
    for (gfx::Size size :
         {gfx::Size{0, 0}, gfx::Size{70, 60}, gfx::Size{71, 200}, gfx::Size{-5, 3}}) {
        CRecordingCanvas small(10, 10);
        CRxPlot p;
        p.SetPlaceholder(small, size);
        p.Refresh();
        p.Paint(small, 0, 0);
        EXPECT_LT(small.Layer(1).calls.size(), 20000u);
    }
}

TEST(RxPlot, BackgroundAndElementCallsOfASmallPlot) {
    CRecordingCanvas screen(200, 200);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {130, 120});
    PictList list;
    AddLine(list, 0, 0, 40, 20);
    AddMho(list, Polar(40, 90), Polar(0, 0));
    plot.pElements = &list;
    plot.nHighlightRow = 1;
    plot.setting = {0, 50, 90, 100};
    plot.Refresh();
    // s = 55: span 110, step 20, 6 divisions over 60 pixels; origin (80, 50).
    ASSERT_FLOAT_EQ(plot.fStep, 20);
    ASSERT_FLOAT_EQ(plot.fPixelsPerStep, 10);
    ASSERT_EQ(plot.ptOrigin, (gfx::Point{80, 50}));

    Lines bg = {
        "FillRect 0,0,130,120 brush=#e0e0e0",
        "FillRect 50,20,110,80 brush=#ffffff",
        "Draw3dRect 0,0,130,120 #a0a0a0/#ffffff",
        "Draw3dRect 1,1,130,120 #808080/#ffffff",
        "Draw3dRect 48,18,110,80 #a0a0a0/#ffffff",
        "Draw3dRect 49,19,110,80 #808080/#ffffff",
        "Ellipse 70,40,90,60 " + kGrid + " brush=null",
        "Ellipse 60,30,100,70 " + kGrid + " brush=null",
        "Ellipse 50,20,110,80 " + kGrid + " brush=null",
        "Ellipse 40,10,120,90 " + kGrid + " brush=null",
    };
    for (int x : {90, 100, 110, 70, 60, 50}) Seg(bg, x, 20, x, 80, kGrid);
    for (int y : {60, 70, 80, 40, 30, 20}) Seg(bg, 50, y, 110, y, kGrid);
    const int radial[32][2] = {
        {121, 43}, {119, 36}, {116, 29}, {112, 23}, {107, 18}, {101, 14}, {94, 11},  {87, 9},
        {74, 9},   {67, 11},  {60, 14},  {54, 18},  {49, 23},  {45, 29},  {42, 36},  {40, 43},
        {40, 56},  {42, 63},  {45, 70},  {49, 76},  {54, 81},  {60, 85},  {67, 88},  {74, 90},
        {87, 90},  {94, 88},  {101, 85}, {107, 81}, {112, 76}, {116, 70}, {119, 63}, {121, 56}};
    for (auto& end : radial) Seg(bg, 80, 50, end[0], end[1], kGrid);
    Seg(bg, 50, 50, 110, 50, kAxis);
    Seg(bg, 80, 80, 80, 20, kAxis);
    bg.push_back("Polyline 50,20 50,80 110,80 " + kAxis);
    // R scale, right half: four ticks, labels on the even ones.
    for (int x : {82, 84, 86, 88}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 80, 80, 80, 88, kAxis);
    bg.push_back(Label(77, 88, "0"));
    for (int x : {92, 94, 96, 98}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 90, 80, 90, 88, kAxis);
    for (int x : {102, 104, 106, 108}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 100, 80, 100, 88, kAxis);
    bg.push_back(Label(94, 88, "40"));
    Seg(bg, 110, 80, 110, 88, kAxis);  // its minor ticks fall outside
    bg.push_back(Label(98, 102, "R(Ω)"));
    // Left half: the origin's "0" once more.
    for (int x : {78, 76, 74, 72}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 80, 80, 80, 88, kAxis);
    bg.push_back(Label(77, 88, "0"));
    for (int x : {68, 66, 64, 62}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 70, 80, 70, 88, kAxis);
    for (int x : {58, 56, 54, 52}) Seg(bg, x, 80, x, 84, kAxis);
    Seg(bg, 60, 80, 60, 88, kAxis);
    bg.push_back(Label(51, 88, "-40"));
    Seg(bg, 50, 80, 50, 88, kAxis);
    // X scale, upper half, title, lower half.
    for (int y : {48, 46, 44, 42}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 50, 40, 50, kAxis);
    bg.push_back(Label(34, 44, "0"));
    for (int y : {38, 36, 34, 32}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 40, 40, 40, kAxis);
    for (int y : {28, 26, 24, 22}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 30, 40, 30, kAxis);
    bg.push_back(Label(28, 24, "40"));
    Seg(bg, 48, 20, 40, 20, kAxis);
    bg.push_back(Label(19, 8, "X(Ω)"));
    for (int y : {52, 54, 56, 58}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 50, 40, 50, kAxis);
    bg.push_back(Label(34, 44, "0"));
    for (int y : {62, 64, 66, 68}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 60, 40, 60, kAxis);
    for (int y : {72, 74, 76, 78}) Seg(bg, 48, y, 44, y, kAxis);
    Seg(bg, 48, 70, 40, 70, kAxis);
    bg.push_back(Label(22, 64, "-40"));
    Seg(bg, 48, 80, 40, 80, kAxis);

    const CRecordingCanvas& background = Rec(plot.BackgroundLayer());
    EXPECT_EQ(background.GetSize(), (gfx::Size{130, 120}));
    Lines got = background.Lines();
    ASSERT_EQ(got.size(), bg.size());
    for (std::size_t i = 0; i < bg.size(); ++i) EXPECT_EQ(got[i], bg[i]) << i;

    // Element layer: the plot rectangle of the background, the highlighted
    // line, the circle, the setting line; layer origin (30, 30), 0.5 px/ohm.
    const CRecordingCanvas& elements = Rec(plot.ElementLayer());
    EXPECT_EQ(elements.GetSize(), (gfx::Size{60, 60}));
    EXPECT_EQ(elements.Lines(), (Lines{
                                    "BitBlt 0,0 60x60 from layer1 50,20",
                                    "MoveToEx 30,30",
                                    "LineTo 50,20 pen=solid/3/#0000ff",
                                    "Ellipse 20,10,40,30 pen=solid/1/#0000ff brush=null",
                                    "MoveToEx 30,30",
                                    "LineTo 30,5 pen=solid/1/#ff0000",
                                }));
    // Both layers get back what was selected in them before.
    for (const CRecordingCanvas* layer : {&background, &elements}) {
        EXPECT_EQ(layer->CurrentPen(), gfx::Pen{});
        EXPECT_EQ(layer->CurrentBrush(), (gfx::Brush{gfx::Brush::kSolid, Rgb(255, 255, 255)}));
        EXPECT_EQ(layer->CurrentFont(), gfx::Font{});
    }

    // Painting copies the two layers; refreshing reuses them.
    plot.Paint(screen, 7, 9);
    EXPECT_EQ(screen.Lines(),
              (Lines{"BitBlt 7,9 130x120 from layer1 0,0", "BitBlt 57,29 60x60 from layer2 0,0"}));
    plot.Refresh();
    EXPECT_EQ(screen.LayerCount(), 3);
    // Repainted whole, a layer keeps only its last drawing.
    EXPECT_EQ(Rec(plot.BackgroundLayer()).Lines(), bg);
}

TEST(RxPlot, AHalfScaleOfFewTicksLabelsEachOne) {
    CRecordingCanvas screen(200, 200);
    CRxPlot plot;
    // A 61-pixel square plot rectangle in 6 steps: the halves reaching right
    // and up have four ticks, those reaching left and down three.
    plot.SetPlaceholder(screen, {131, 121});
    PictList list;
    AddMho(list, Polar(40, 90), Polar(0, 0));
    plot.pElements = &list;
    plot.setting.Zzd_1 = 50;
    plot.Refresh();
    ASSERT_FLOAT_EQ(plot.fStep, 20);
    ASSERT_EQ(plot.ptOrigin, (gfx::Point{80, 51}));
    std::vector<Text> labels;
    for (const gfx::Call& c : Rec(plot.BackgroundLayer()).Calls())
        if (c.kind == gfx::Call::kOutText) labels.push_back(c.text);
    // The left half of the R scale keeps to every other tick all the same.
    EXPECT_EQ(labels, (std::vector<Text>{u"0", u"40", u"R(Ω)", u"0", u"-40", u"0", u"40", u"X(Ω)",
                                         u"0", u"-20", u"-40"}));
}

TEST(RxPlot, HighlightOnlyForLinesAndArcs) {
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    AddMho(list, Polar(10, 90), Polar(0, 0));
    AddLine(list, 0, 0, 5, 5);
    auto arc = std::make_unique<CPictArc>();
    arc->fRadius = 3;
    arc->ptZ1 = Rect(3, 0);
    list.push_back(std::move(arc));
    auto lens = std::make_unique<CPictLens>();
    lens->ptZ1 = Rect(0, 8);
    lens->fInnerAngle = 120;
    list.push_back(std::move(lens));
    list.push_back(std::make_unique<qztest::ForeignPict>());  // not a kind: not drawn
    plot.pElements = &list;
    plot.setting.Zzd_Mode = 4;  // not a mode: no setting line

    // row -> calls drawn with the thick pen
    for (auto [row, thick] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 0}, {5, 0}, {6, 0}}) {
        SCOPED_TRACE(row);
        plot.nHighlightRow = row;
        plot.Refresh();
        // Each refresh draws anew: copy, ellipse, move, line, arc, arc, arc.
        const std::vector<gfx::Call>& calls = Rec(plot.ElementLayer()).Calls();
        ASSERT_EQ(calls.size(), 7u);
        EXPECT_EQ(calls[0].kind, gfx::Call::kBitBlt);
        int n = 0;
        for (const gfx::Call& c : calls) n += c.kind != gfx::Call::kMoveToEx && c.pen.width == 3;
        EXPECT_EQ(n, thick);
        EXPECT_EQ(calls[1].kind, gfx::Call::kEllipse);
        EXPECT_EQ(calls[6].kind, gfx::Call::kArc);
    }
}

TEST(RxPlot, PreviewTruncatesBackgroundPositions) {
    // 53 / 6 = 8.83 pixels per step: rounding and truncation part ways.
    auto draw = [](CRxPlot::Rounding rounding) {
        CRecordingCanvas screen(200, 200);
        CRxPlot plot(rounding);
        plot.SetPlaceholder(screen, {130, 113});
        PictList list;
        AddMho(list, Polar(40, 90), Polar(0, 0));
        plot.pElements = &list;
        plot.setting.Zzd_1 = 50;
        plot.setting.Zzd_2 = 30;
        plot.Refresh();
        EXPECT_EQ(plot.ptOrigin, (gfx::Point{80, 47}));
        EXPECT_NEAR(plot.fPixelsPerStep, 53.0 / 6, 1e-5);
        return std::pair{Rec(plot.BackgroundLayer()).Lines(), Rec(plot.ElementLayer()).Lines()};
    };
    auto [round, roundElements] = draw(CRxPlot::Rounding::kRound);
    auto [trunc, truncElements] = draw(CRxPlot::Rounding::kTruncate);
    auto has = [](const Lines& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    // Vertical grid lines at 80 + 8.83, 17.67, 26.5.
    for (int x : {89, 98, 107}) EXPECT_TRUE(has(round, "MoveToEx " + std::to_string(x) + ",20"));
    for (int x : {88, 97, 106}) EXPECT_TRUE(has(trunc, "MoveToEx " + std::to_string(x) + ",20"));
    // The minor tick at 8.83 / 5 = 1.77 and the 10-degree radial line
    // (rho = rnd(sqrt(30^2 + 27^2)) = 40 in both).
    EXPECT_TRUE(has(round, "LineTo 82,77 " + kAxis));
    EXPECT_TRUE(has(trunc, "LineTo 81,77 " + kAxis));
    EXPECT_TRUE(has(round, "LineTo 119,40 " + kGrid));
    EXPECT_TRUE(has(trunc, "LineTo 119,41 " + kGrid));
    EXPECT_TRUE(has(round, "LineTo 118,33 " + kGrid));
    EXPECT_TRUE(has(trunc, "LineTo 117,34 " + kGrid));
    // Circle radii are truncated in both; the elements are the same.
    auto ellipses = [](const Lines& lines) {
        Lines out;
        for (const auto& l : lines)
            if (l.rfind("Ellipse", 0) == 0) out.push_back(l);
        return out;
    };
    EXPECT_EQ(ellipses(round), ellipses(trunc));
    EXPECT_EQ(roundElements, truncElements);
    EXPECT_NE(round, trunc);
}

TEST(RxPlot, AnotherPlaceholderSizeRemakesTheLayers) {
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {130, 120});
    plot.Refresh();
    plot.SetPlaceholder(screen, {130, 120});  // the same size keeps them
    plot.Refresh();
    EXPECT_EQ(screen.LayerCount(), 3);

    plot.SetPlaceholder(screen, {360, 260});
    plot.Refresh();
    EXPECT_EQ(screen.LayerCount(), 5);
    EXPECT_EQ(plot.BackgroundLayer()->GetSize(), (gfx::Size{360, 260}));
    EXPECT_EQ(plot.ElementLayer()->GetSize(), (gfx::Size{290, 200}));
    plot.Paint(screen, 0, 0);
    EXPECT_EQ(screen.Lines(), (Lines{"BitBlt 0,0 360x260 from layer3 0,0",
                                     "BitBlt 50,20 290x200 from layer4 0,0"}));
    // The new background holds one drawing, as a plot made at that size.
    CRecordingCanvas other(400, 300);
    CRxPlot fresh;
    fresh.SetPlaceholder(other, {360, 260});
    fresh.Refresh();
    EXPECT_EQ(Rec(plot.BackgroundLayer()).Lines(), Rec(fresh.BackgroundLayer()).Lines());
}

// On a surface that cuts, the plot draws what its layers would hold,
// straight: the background cut to the placeholder, the elements to the plot
// rectangle, each moved to where Paint would copy it; no layer is made.
TEST(RxPlot, RefreshOntoACuttingSurfaceDrawsTheLayersStraight) {
    PictList list;
    AddMho(list, Polar(10, 80), Polar(1, 260));
    AddLine(list, 0, 0, 6, 9);
    auto setUp = [&](CRxPlot& plot) {
        plot.setting.Zzd_Mode = 1;
        plot.setting.Zzd_1 = 8;
        plot.setting.Zzd_2 = 12;
        plot.pElements = &list;
        plot.nHighlightRow = 2;
    };
    CRecordingCanvas layered(400, 300);
    CRxPlot a;
    a.SetPlaceholder(layered, {300, 250});
    setUp(a);
    a.Refresh();
    Lines want{"PushClip 30,40,330,290 origin=30,40"};
    for (const std::string& l : Rec(a.BackgroundLayer()).Lines()) want.push_back(l);
    want.push_back("PopClip");
    want.push_back("PushClip 80,60,310,250 origin=80,60");
    Lines elements = Rec(a.ElementLayer()).Lines();
    ASSERT_EQ(elements.front(), "BitBlt 0,0 230x190 from layer1 50,20");
    want.insert(want.end(), elements.begin() + 1, elements.end());
    want.push_back("PopClip");

    CRecordingCanvas sheet(400, 300);
    CRxPlot b;
    b.SetPlaceholder(sheet, {300, 250});
    setUp(b);
    b.RefreshOnto(sheet, 30, 40);
    EXPECT_EQ(sheet.Lines(), want);
    EXPECT_EQ(sheet.LayerCount(), 1);
    EXPECT_EQ(b.fStep, a.fStep);
}

// The band is each outline again, dashed and scaled about Z = 0; a shot's
// mark is centred on its impedance, filled where it should trip.
TEST(RxPlot, BandOutlinesAndShotMarks) {
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    AddMho(list, Polar(10, 80), Polar(1, 260));
    plot.pElements = &list;
    plot.fBandInner = 0.8;
    plot.fBandOuter = 1.2;
    plot.shots = {{2, 9, true}, {-3, -1, false}};
    plot.Refresh();
    const double s = plot.Scale();
    const int x0 = plot.ptOrigin.x - plot.rcPlot.left, y0 = plot.ptOrigin.y - plot.rcPlot.top;
    std::vector<gfx::Call> ellipses;
    for (const gfx::Call& c : Rec(plot.ElementLayer()).Calls())
        if (c.kind == gfx::Call::kEllipse) ellipses.push_back(c);
    ASSERT_EQ(ellipses.size(), 5u);
    // The circle's centre and radius in pixels from the origin, as drawn.
    auto centre = [&](const gfx::Call& c, int i) {
        return (c.ints[i] + c.ints[i + 2]) / 2.0 - (i == 0 ? x0 : y0);
    };
    const gfx::Call& circle = ellipses[0];
    EXPECT_EQ(circle.pen, CRxPlot::kElementPen);
    const double width = circle.ints[2] - circle.ints[0];
    for (auto [i, k] : {std::pair{1, 0.8}, {2, 1.2}}) {
        SCOPED_TRACE(k);
        const gfx::Call& band = ellipses[std::size_t(i)];
        EXPECT_EQ(band.pen, CRxPlot::kBandPen);
        EXPECT_EQ(band.pen.style, gfx::Pen::kDash);
        EXPECT_EQ(band.brush.style, gfx::Brush::kNull);
        EXPECT_NEAR(centre(band, 0), k * centre(circle, 0), 1);
        EXPECT_NEAR(centre(band, 1), k * centre(circle, 1), 1);
        EXPECT_NEAR(band.ints[2] - band.ints[0], k * width, 1.5);
    }
    // The outer band stays in the window: its top below the rectangle's.
    EXPECT_GE(ellipses[2].ints[1], 0);
    for (auto [i, R, X, trip] : {std::tuple{3, 2.0, 9.0, true}, {4, -3.0, -1.0, false}}) {
        const gfx::Call& mark = ellipses[std::size_t(i)];
        EXPECT_NEAR(centre(mark, 0), R * s, 1);
        EXPECT_NEAR(centre(mark, 1), -X * s, 1);
        EXPECT_EQ(mark.pen, CRxPlot::kShotPen);
        EXPECT_EQ(mark.brush, trip ? CRxPlot::kShotBrush : gfx::kNullBrush);
    }
    EXPECT_NE(ellipses[1].ToString().find("pen=dash/1/#0000ff"), std::string::npos);
}

TEST(RxPlot, TraceCutToThePlotWithMarksAndCycleTicks) {
    CRecordingCanvas screen(400, 300);
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    AddMho(list, Polar(10, 80), Polar(1, 260));
    plot.pElements = &list;
    plot.Refresh();
    const double fitted = plot.Scale();
    // A millisecond a point: a load far out (one point beyond any pixel
    // range), a fault's path inside the plot, a break, then more of it.
    PlotTrace& trace = plot.trace;
    trace.cycle = 0.02;
    trace.join = 0.0015;
    for (int i = 0; i < 50; ++i)
        trace.points.push_back({i / 1000.0, i == 20 ? 1e300 : 1e9, i == 20 ? -1e300 : 3e8});
    for (int i = 50; i < 100; ++i)
        trace.points.push_back({i / 1000.0, 6 - (i - 50) * 0.08, 6 + (i - 50) * 0.04});
    for (int i = 150; i < 200; ++i)
        trace.points.push_back({i / 1000.0, -3 + (i - 150) * 0.02, 4 + (i - 150) * 0.02});
    plot.Refresh();
    // The trace leaves the scale to the zone.
    EXPECT_EQ(plot.Scale(), fitted);
    const double s = plot.Scale();
    const int x0 = plot.ptOrigin.x - plot.rcPlot.left, y0 = plot.ptOrigin.y - plot.rcPlot.top;
    const int w = plot.rcPlot.Width(), h = plot.rcPlot.Height();
    auto closeTo = [&](int x, int y, const TracePoint& p) {
        return std::abs(x - (x0 + p.R * s)) <= 1.5 && std::abs(y - (y0 - p.X * s)) <= 1.5;
    };
    const auto drawn = [&] {
        std::vector<gfx::Call> polylines, ticks, squares;
        for (const gfx::Call& c : Rec(plot.ElementLayer()).Calls()) {
            // Each refresh starts with a copy of the background.
            if (c.kind == gfx::Call::kBitBlt) polylines.clear(), ticks.clear(), squares.clear();
            if (c.kind == gfx::Call::kPolyline && c.pen == CRxPlot::kTracePen)
                polylines.push_back(c);
            if (c.kind == gfx::Call::kLineTo && c.pen == CRxPlot::kTracePen) ticks.push_back(c);
            if (c.kind == gfx::Call::kFillRect && c.brush == CRxPlot::kTraceBrush)
                squares.push_back(c);
        }
        return std::tuple{polylines, ticks, squares};
    };
    auto [polylines, ticks, squares] = drawn();
    // Two pieces: from where the load's line enters the plot to the break,
    // and after it; every coordinate within a pixel of the plot.
    ASSERT_EQ(polylines.size(), 2u);
    for (const gfx::Call& c : polylines)
        for (std::size_t i = 0; i < c.ints.size(); i += 2) {
            EXPECT_TRUE(c.ints[i] >= -1 && c.ints[i] <= w + 1) << c.ToString();
            EXPECT_TRUE(c.ints[i + 1] >= -1 && c.ints[i + 1] <= h + 1) << c.ToString();
        }
    const std::vector<int>& first = polylines[0].ints;
    EXPECT_TRUE(first[0] <= 0 || first[0] >= w || first[1] <= 0 || first[1] >= h);
    EXPECT_TRUE(closeTo(first[first.size() - 2], first.back(), trace.points[99]));
    EXPECT_TRUE(closeTo(polylines[1].ints[0], polylines[1].ints[1], trace.points[100]));
    EXPECT_TRUE(closeTo(polylines[1].ints[polylines[1].ints.size() - 2], polylines[1].ints.back(),
                        trace.points.back()));
    // A tick at each cycle's first visible point: 0.06, 0.08, after the
    // break at 0.15, 0.16 and 0.18 s; across the path, kTraceMark each way.
    ASSERT_EQ(ticks.size(), 5u);
    const std::size_t at[] = {60, 80, 100, 110, 130};
    for (std::size_t k = 0; k < 5; ++k) {
        const gfx::Call& t = ticks[k];
        EXPECT_TRUE(
            closeTo((t.from.x + t.ints[0]) / 2, (t.from.y + t.ints[1]) / 2, trace.points[at[k]]))
            << k;
        EXPECT_NEAR(std::hypot(t.ints[0] - t.from.x, t.ints[1] - t.from.y), 2 * CRxPlot::kTraceMark,
                    1.5);
    }
    // The end filled; the start far out, not marked.
    ASSERT_EQ(squares.size(), 1u);
    EXPECT_TRUE(closeTo((squares[0].ints[0] + squares[0].ints[2]) / 2,
                        (squares[0].ints[1] + squares[0].ints[3]) / 2, trace.points.back()));
    // A start inside the plot: a piece from it out toward the load, and an
    // open square round it.
    trace.points.front() = {0, 0.5, 0.5};
    plot.Refresh();
    std::tie(polylines, ticks, squares) = drawn();
    ASSERT_EQ(polylines.size(), 4u);
    EXPECT_TRUE(closeTo(polylines[0].ints[0], polylines[0].ints[1], trace.points.front()));
    const std::vector<int>& box = polylines[3].ints;
    ASSERT_EQ(box.size(), 10u);
    EXPECT_EQ(box[8], box[0]);
    EXPECT_EQ(box[9], box[1]);
    EXPECT_TRUE(closeTo((box[0] + box[4]) / 2, (box[1] + box[5]) / 2, trace.points.front()));
    EXPECT_EQ(box[4] - box[0], 2 * CRxPlot::kTraceMark);
}

TEST(RxPlot, RasterColours) {
#ifdef _WIN32
    gfx::CGdiCanvas screen(360, 260);
#else
    gfx::CRasterCanvas screen(360, 260);
#endif
    CRxPlot plot;
    plot.SetPlaceholder(screen, {360, 260});
    PictList list;
    AddLine(list, -5, -5, -5, 5);
    plot.pElements = &list;
    plot.setting.Zzd_1 = 10;
    plot.setting.Zzd_2 = 45;
    plot.Refresh();
    plot.Paint(screen, 0, 0);
    ASSERT_FLOAT_EQ(plot.fPixelsPerStep, 25);
    EXPECT_EQ(screen.Pixel(268, 73), Rgb(255, 255, 255));  // plot area inside a grid cell
    EXPECT_EQ(screen.Pixel(220, 30), Rgb(224, 224, 224));  // vertical grid line
    EXPECT_EQ(screen.Pixel(10, 100), Rgb(224, 224, 224));  // margin
    EXPECT_EQ(screen.Pixel(195, 30), Rgb(0, 0, 0));        // X axis
    EXPECT_EQ(screen.Pixel(153, 100), Rgb(0, 0, 255));     // the element at R = -5
    EXPECT_EQ(screen.Pixel(215, 100), Rgb(255, 0, 0));     // setting line at 45 degrees
    std::vector<std::uint8_t> png = screen.EncodePng();
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(png[2], 'N');
    EXPECT_EQ(png[3], 'G');
}

#ifdef QZ_QUARNZ_PATH
namespace {

using PlotRun = qztest::ToolRun;

PlotRun QuarnzPlot(const std::string& args, const qztest::TempDir& dir) {
    return qztest::Quarnz("plot " + args, dir);
}

// Width and height from a PNG's header chunk.
gfx::Size PngSize(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b(24);
    in.read(reinterpret_cast<char*>(b.data()), 24);
    if (!in || b[1] != 'P' || b[12] != 'I') return {};
    auto be = [&](int at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
    return {be(16), be(20)};
}

}  // namespace

TEST(QuarnzPlot, DrawsZonesOfAZoneFile) {
    qztest::TempDir dir;
    CZoneLists lists;
    for (const char16_t* tag : {u"Z1,LE", u""}) {
        auto zone = std::make_unique<CZone>();
        zone->strTag = tag;
        zone->setting.Zzd_Mode = 0;
        zone->setting.Zzd_1 = 10;
        zone->setting.Zzd_2 = 80;
        zone->nShow = *tag ? 1 : 0;
        lists.arrZones.push_back(std::move(zone));
    }
    AddMho(lists.arrPicts, Polar(10, 80), Polar(1, 260))->strZoneTag = u"Z1,LE";
    // The untagged zone's circle is deflected by 90 degrees: the line
    // through (0, 0) and (0, 10), drawn across the whole plot.
    AddMho(lists.arrPicts, Polar(10, 90), Polar(0, 0), 90)->strZoneTag = u"";
    std::vector<std::uint8_t> bytes = lists.ZoneFileBytes();
    std::filesystem::path file = dir.path() / "zones.tmp";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const std::string in = "'" + file.string() + "' ";

    // A sheet: panels under two title lines, a legend below.
    auto out = dir.path() / "all.png";
    PlotRun run = QuarnzPlot(in + "-o '" + out.string() + "'", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(PngSize(out), (gfx::Size{720, 320}));
    run = QuarnzPlot(in + "--columns 1 --scale 2 -o '" + out.string() + "'", dir);
    EXPECT_EQ(PngSize(out), (gfx::Size{720, 1232})) << run.err;
    run = QuarnzPlot(in + "--shown-only -o '" + out.string() + "'", dir);
    EXPECT_EQ(PngSize(out), (gfx::Size{360, 320})) << run.err;

    // One zone alone is its bare plot, by tag or by row.
    out = dir.path() / "one.png";
    run = QuarnzPlot(in + "--zone Z1,LE --size 250x240 -o '" + out.string() + "'", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PngSize(out), (gfx::Size{250, 240}));
    run = QuarnzPlot(in + "--row 2 --json", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json j = nlohmann::json::parse(run.out);
    const nlohmann::json& zone = j["zones"][0];
    EXPECT_EQ(zone["row"], 2);
    EXPECT_FLOAT_EQ(zone["step"].get<float>(), 3);  // the chord's reach, not the radius's
    const nlohmann::json& line = zone["elements"][0]["outlines"][0];
    EXPECT_EQ(line["type"], "segment");
    EXPECT_NEAR(line["from"][0].get<double>(), 0, 1e-4);
    EXPECT_NEAR(line["to"][0].get<double>(), 0, 1e-4);
    const double loX = zone["window"]["X"][0], hiX = zone["window"]["X"][1];
    EXPECT_NEAR(std::min(line["from"][1].get<double>(), line["to"][1].get<double>()), loX, 1e-4);
    EXPECT_NEAR(std::max(line["from"][1].get<double>(), line["to"][1].get<double>()), hiX, 1e-4);
    EXPECT_NEAR(zone["setting"][0]["to"][1].get<double>(), 9.848, 1e-3);

    run = QuarnzPlot(in + "--zone Z9 -o '" + out.string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quarnz: " + file.string() + ": no zone tagged Z9\n");
    run = QuarnzPlot(in + "--row 3 --json", dir);
    EXPECT_EQ(run.err, "quarnz: " + file.string() + ": no row 3; the file has 2 zones\n");
    run = QuarnzPlot(in + "--size 249x400 -o '" + out.string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "quarnz: --size 249x400: smaller than the smallest readable plot, 250x240\n");
    // Not wrapped to 250x300.
    run = QuarnzPlot(in + "--size 4294967546x300 -o '" + out.string() + "'", dir);
    EXPECT_EQ(run.err, "quarnz: --size 4294967546x300: larger than 4000x4000\n");
    run = QuarnzPlot(in + "--scale 2 -o '" + (dir.path() / "a.svg").string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("only a PNG"), std::string::npos) << run.err;

    // A file cut short: one line naming the file and the byte offset.
    bytes.resize(bytes.size() - 3);
    std::filesystem::path broken = dir.path() / "broken.tmp";
    std::ofstream(broken, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::filesystem::remove(out);
    run = QuarnzPlot("'" + broken.string() + "' -o '" + out.string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("quarnz: " + broken.string() + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(" at byte "), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

namespace {

// An image as Cairo reads a PNG, RGB only.
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    int Diff(const Pixels& o, int x, int y, int ox, int oy) const {
        std::uint32_t a = rgb[std::size_t(y * width + x)], b = o.rgb[std::size_t(oy * width + ox)];
        int d = 0;
        for (int shift : {0, 8, 16})
            d = std::max(d, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
        return d;
    }
    // The top-left `w` x `h` pixels.
    Pixels Crop(int w, int h) const {
        Pixels p{w, h, {}};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.rgb.push_back(rgb[std::size_t(y * width + x)]);
        return p;
    }
};

Pixels ReadPng(const std::filesystem::path& path) {
    Pixels p;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(s);
        p.width = cairo_image_surface_get_width(s);
        p.height = cairo_image_surface_get_height(s);
        const int stride = cairo_image_surface_get_stride(s);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.rgb.push_back(reinterpret_cast<const std::uint32_t*>(
                                    cairo_image_surface_get_data(s) + y * stride)[x] &
                                0xFFFFFF);
    }
    cairo_surface_destroy(s);
    return p;
}

}  // namespace

// The example zone set as SVG and PDF, rasterised by librsvg and poppler, is
// the PNG: where the PNG is flat, the same colour; a pixel that differs lies
// within two pixels of a change of colour in the PNG (anti-aliasing, and the
// labels' glyphs, which the PNG takes from the face's bitmaps).  The PDF's
// A4 page at 96 pixels to the inch holds the sheet at its top left.
TEST(QuarnzPlot, SvgAndPdfRasteriseToThePng) {
    for (const char* tool : {"rsvg-convert", "pdftoppm"})
        if (qztest::RunCommand(std::string("command -v ") + tool).status != 0)
            GTEST_SKIP() << tool << " is missing (scripts/setup installs it)";
    qztest::TempDir dir;
    const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
    // An option is refused, not taken for a folder.
    EXPECT_EQ(qztest::RunCommand("cd '" + dir.path().string() + "' && '" +
                                 (tools / "make-examples").string() + "' --help 2>/dev/null")
                  .status,
              2);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "--help"));
    // Into a folder it makes.
    ASSERT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                 (dir.path() / "new" / "examples").string() + "'")
                  .status,
              0);
    const std::string zones =
        "'" + (dir.path() / "new" / "examples" / "several.zone").string() + "'";
    auto path = [&](const char* name) { return dir.path() / name; };
    for (const char* name : {"p.png", "p.svg", "p.pdf"}) {
        PlotRun run = QuarnzPlot(zones + " -o '" + path(name).string() + "'", dir);
        ASSERT_EQ(run.status, 0) << run.err;
    }
    ASSERT_EQ(qztest::RunCommand("rsvg-convert -o '" + path("svg.png").string() + "' '" +
                                 path("p.svg").string() + "'")
                  .status,
              0);
    ASSERT_EQ(qztest::RunCommand("pdftoppm -r 96 -png -singlefile '" + path("p.pdf").string() +
                                 "' '" + (dir.path() / "pdf").string() + "'")
                  .status,
              0);

    const Pixels png = ReadPng(path("p.png"));
    ASSERT_GT(png.width, 0);
    for (const char* name : {"svg.png", "pdf.png"}) {
        SCOPED_TRACE(name);
        Pixels other = ReadPng(path(name));
        if (std::string(name) == "pdf.png") {
            ASSERT_EQ(other.width, 794);
            ASSERT_EQ(other.height, 1123);
            other = other.Crop(png.width, png.height);
        }
        ASSERT_EQ(other.width, png.width);
        ASSERT_EQ(other.height, png.height);
        constexpr int kSame = 48, kEdge = 16, kNear = 2;
        int differing = 0, offEdge = 0;
        std::string first;
        for (int y = 0; y < png.height; ++y) {
            for (int x = 0; x < png.width; ++x) {
                if (other.Diff(png, x, y, x, y) <= kSame) continue;
                ++differing;
                bool edge = false;
                for (int dy = -kNear; dy <= kNear && !edge; ++dy)
                    for (int dx = -kNear; dx <= kNear && !edge; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < png.width && ny < png.height)
                            edge = png.Diff(png, x, y, nx, ny) > kEdge;
                    }
                if (!edge && offEdge++ == 0) first = std::to_string(x) + "," + std::to_string(y);
            }
        }
        EXPECT_EQ(offEdge, 0) << "first at " << first;
        EXPECT_LT(differing, png.width * png.height / 20);
    }
}

// The band and the shots on a sheet in each format; the marks are the
// shots quarnz shots plans, and the legend's second line names them.
TEST(QuarnzPlot, BandAndShotsOnASheet) {
    qztest::TempDir dir;
    const std::filesystem::path tools = std::filesystem::path(QZ_QUARNZ_PATH).parent_path();
    ASSERT_EQ(qztest::RunCommand("'" + (tools / "make-examples").string() + "' '" +
                                 dir.path().string() + "'")
                  .status,
              0);
    const std::string zones = "'" + (dir.path() / "several.zone").string() + "' ";
    for (const char* name : {"b.png", "b.svg", "b.pdf"}) {
        const std::filesystem::path out = dir.path() / name;
        PlotRun run = QuarnzPlot(zones + "--tolerance 10 --shots -o '" + out.string() + "'", dir);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_GT(std::filesystem::file_size(out), 0u);
    }
    std::ifstream svg(dir.path() / "b.svg");
    const std::string svgText{std::istreambuf_iterator<char>(svg), {}};
    EXPECT_NE(svgText.find("stroke-dasharray"), std::string::npos);

    // Two rows of panels and a legend of two lines.
    const Pixels png = ReadPng(dir.path() / "b.png");
    ASSERT_EQ(png.width, 720);
    ASSERT_EQ(png.height, 2 * (36 + 260) + 48);
    auto at = [&](int x, int y) { return png.rgb[std::size_t(y * png.width + x)] & 0xFFFFFF; };
    const int line = png.height - 12;
    EXPECT_EQ(at(10, line), 0x0000FFu);  // a dash of the band's sample
    EXPECT_NE(at(30, line), 0x0000FFu);  // and its gap
    int green = 0;
    for (int x = 0; x < png.width; ++x) green += at(x, line) == 0x008000u;
    EXPECT_GT(green, 0);

    PlotRun plot = QuarnzPlot(zones + "--row 1 --tolerance 10 --shots --margin 3 --json", dir);
    ASSERT_EQ(plot.status, 0) << plot.err;
    const nlohmann::json zone = nlohmann::json::parse(plot.out)["zones"][0];
    EXPECT_DOUBLE_EQ(zone["band"]["inner"].get<double>(), 0.9);
    EXPECT_DOUBLE_EQ(zone["band"]["outer"].get<double>(), 1.1);
    PlotRun shots =
        qztest::Quarnz("shots " + zones + "--row 1 --tolerance 10 --margin 3 --json", dir);
    ASSERT_EQ(shots.status, 0) << shots.err;
    const nlohmann::json planned = nlohmann::json::parse(shots.out)["shots"];
    ASSERT_EQ(zone["shots"].size(), planned.size());
    for (std::size_t i = 0; i < planned.size(); ++i) {
        EXPECT_EQ(zone["shots"][i]["R"], planned[i]["R"]);
        EXPECT_EQ(zone["shots"][i]["X"], planned[i]["X"]);
        EXPECT_EQ(zone["shots"][i]["expected"], planned[i]["expected"]);
    }

    plot = QuarnzPlot(zones + "--tolerance 5,1 --json", dir);
    EXPECT_EQ(plot.status, 1);
    EXPECT_NE(plot.err.find("percentage band only"), std::string::npos) << plot.err;
}

// Ten times the zones make about ten times the SVG, not a thousand; a PDF
// sheet runs over A4 pages of three rows each; a PNG beyond the image limit
// is refused with a --columns that fits, and the SVG of it is written.
TEST(QuarnzPlot, LargeSheetsGrowWithTheZonesAndPdfPagesAreA4) {
    qztest::TempDir dir;
    auto zoneFile = [&](int count) {
        CZoneLists lists;
        for (int i = 0; i < count; ++i) {
            auto zone = std::make_unique<CZone>();
            zone->strTag = Format("Z%d", i);
            zone->setting.Zzd_1 = 10;
            zone->nShow = 1;
            lists.arrZones.push_back(std::move(zone));
            AddMho(lists.arrPicts, Polar(10, 80), Polar(1, 260))->strZoneTag = Format("Z%d", i);
        }
        const auto file = dir.path() / (std::to_string(count) + ".zone");
        EXPECT_TRUE(lists.SaveZoneFile(dir.text(std::to_string(count) + ".zone")));
        return "'" + file.string() + "' ";
    };
    auto bytes = [](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), {}};
    };
    auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string few = zoneFile(11), many = zoneFile(110);
    const auto svg = dir.path() / "s.svg", pdf = dir.path() / "s.pdf", png = dir.path() / "s.png";
    PlotRun run = QuarnzPlot(few + "-o '" + svg.string() + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t fewBytes = std::filesystem::file_size(svg);
    run = QuarnzPlot(many + "-o '" + svg.string() + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::filesystem::file_size(svg), 12 * fewBytes);

    run = QuarnzPlot(many + "-o '" + pdf.string() + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string doc = bytes(pdf);
    EXPECT_EQ(count(doc, "/Type /Page "), 19u);  // 55 rows, 3 to a page
    EXPECT_EQ(count(doc, "/MediaBox [ 0 0 595.28 841.89 ]"), 19u);

    run = QuarnzPlot(many + "-o '" + png.string() + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("110 zones make an image of 720x16304 pixels, more than 16000 a side; "
                           "--columns 3 fits them"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(png));
    run = QuarnzPlot(many + "--columns 3 -o '" + png.string() + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PngSize(png), (gfx::Size{1080, 37 * 296 + 24}));
}

TEST(QuarnzPlot, APartlyFilledLastRowIsLaidOut) {
    qztest::TempDir dir;
    CZoneLists lists;
    for (const char16_t* tag : {u"Z1", u"Z2", u"Z3"}) {
        auto zone = std::make_unique<CZone>();
        zone->strTag = tag;
        zone->setting.Zzd_1 = 10;
        zone->nShow = 1;
        lists.arrZones.push_back(std::move(zone));
    }
    ASSERT_TRUE(lists.SaveZoneFile(dir.text("three.zone")));
    const auto out = dir.path() / "sheet.png";
    PlotRun run = QuarnzPlot(
        "'" + (dir.path() / "three.zone").string() + "' --columns 2 -o '" + out.string() + "'",
        dir);
    ASSERT_EQ(run.status, 0) << run.err;
    // Two rows of panels, each a plot under 36 pixels of titles, and the legend.
    const int row = 36 + 260;
    ASSERT_EQ(PngSize(out), (gfx::Size{720, 2 * row + 24}));
    // The third plot's white rectangle lies under the first; the cell beside it is empty.
    const Pixels png = ReadPng(out);
    ASSERT_EQ(png.rgb.size(), std::size_t(720 * (2 * row + 24)));
    auto white = [&](int left) {
        int n = 0;
        for (int y = row + 36 + 20; y < row + 36 + 220; ++y)
            for (int x = left + 50; x < left + 340; ++x)
                n += png.rgb[std::size_t(y * png.width + x)] == 0xFFFFFF;
        return n;
    };
    EXPECT_GT(white(0), 290 * 200 / 2);
    EXPECT_EQ(white(360), 0);
}
#endif
