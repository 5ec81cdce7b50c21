// The R-X plot: one zone on the impedance plane with an automatic scale, a
// grid with axes and labels, the zone's elements and its setting lines.  It
// renders into two off-screen layers made for the placeholder's size;
// painting only copies them.  A document takes it straight, without layers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/canvas.h"
#include "records/pict.h"
#include "records/setting.h"

namespace qz {

// A test shot's mark: filled where the zone should trip, open where not.
struct PlotShot {
    double R = 0, X = 0;
    bool trip = false;
};

// A recorded impedance trajectory, in ohms, its points in time order.
struct TracePoint {
    double t = 0;  // seconds
    double R = 0, X = 0;
};
struct PlotTrace {
    std::vector<TracePoint> points;
    // A tick at the first point of each new cycle of this many seconds from
    // the first point (0: none); neighbours further apart in time than
    // `join` are not joined, the points broke off between them (0: all are).
    double cycle = 0, join = 0;
};

class CRxPlot {
  public:
    // How DrawBackground turns a pixel distance into whole pixels: the plot
    // rounds, the import preview truncates.
    enum class Rounding { kRound, kTruncate };

    explicit CRxPlot(Rounding backgroundRounding = Rounding::kRound);
    CRxPlot(const CRxPlot&) = delete;
    CRxPlot& operator=(const CRxPlot&) = delete;

    // The placeholder: the surface the layers are made compatible with (it
    // must outlive the plot's use of it) and its client size.  Another
    // surface or size drops the layers; the next drawing makes them anew.
    void SetPlaceholder(gfx::CCanvas& surface, gfx::Size clientSize);

    void FitScale();
    void DrawBackground();
    void DrawElements();
    // FitScale, DrawBackground, DrawElements; the owner then invalidates.
    void Refresh();
    // Copies both layers; (x, y) is the placeholder's top-left corner in the
    // owner's client coordinates.
    void Paint(gfx::CCanvas& dc, int x, int y) const;
    // Refresh and Paint in one, with no layers where `dc` can cut drawing to
    // a rectangle (a document): FitScale, then the background and the
    // elements straight onto it, each cut to its layer's extent.
    void RefreshOnto(gfx::CCanvas& dc, int x, int y);

    static float NiceStep(float x);

    // The ends of the setting's reference lines, in ohms; each line starts
    // at Z = 0.
    std::vector<OhmPoint> SettingLineEnds() const { return qz::SettingLineEnds(setting); }
    // Pixels per ohm, on both axes, after FitScale.
    double Scale() const { return double(fPixelsPerStep) / double(fStep); }

    // Inputs, set by the owner before each refresh.
    ZoneSetting setting;
    const PictList* pElements = nullptr;  // not owned
    int nHighlightRow = 0;                // k >= 1: element k - 1
    void SetInputs(const ZoneSetting& s, const PictList* elements, int highlightRow) {
        setting = s;
        pElements = elements;
        nHighlightRow = highlightRow;
    }

    // Drawn over the elements where set: each outline again, dashed, scaled
    // about Z = 0 by the band's factors (0: none); the shots' marks.
    double fBandInner = 0, fBandOuter = 0;
    std::vector<PlotShot> shots;
    // Drawn last, cut to the plot rectangle; it leaves the scale alone, which
    // stays fitted to the zone (a trajectory comes from the far load point).
    PlotTrace trace;

    // Geometry, computed by FitScale.
    gfx::Rect rcFrame;
    gfx::Rect rcPlot;
    gfx::Point ptOrigin;
    float fStep = 0;
    float fPixelsPerStep = 0;
    int nDivisions = kTargetDivisions;

    const gfx::CCanvas* BackgroundLayer() const { return pBackground.get(); }
    const gfx::CCanvas* ElementLayer() const { return pElementLayer.get(); }

    // Layout in pixels.  The plot rectangle lies within the placeholder by
    // these margins; the element layer covers just that rectangle.
    static constexpr int kMarginLeft = 50, kMarginTop = 20, kMarginRight = 20, kMarginBottom = 40;
    // The sunken frame's rings start kFrame pixels left of and above the plot
    // rectangle; the vertical scale's ticks start at its outer edge, the
    // horizontal scale's at the rectangle's bottom.
    static constexpr int kFrame = 2;
    // Ticks point away from the rectangle; a label starts where its major
    // tick ends.  Minor ticks divide a grid step into kMinorDivisions.
    static constexpr int kMajorTick = 8, kMinorTick = 4, kMinorDivisions = 5;
    // Every kLabelEvery-th major tick is labelled, each one when a half
    // scale has no more than kFewTicks.
    static constexpr int kLabelEvery = 2, kFewTicks = 3;
    // The axis titles: "R(Ω)" centred on the rectangle's right edge, one
    // text height and kRTitleDrop below the rectangle; "X(Ω)" just above the
    // rectangle, ending kXTitleGap left of the frame.
    static constexpr int kRTitleDrop = 10, kXTitleGap = 5;
    // Grid rays from the origin, one every kRayDegrees.
    static constexpr int kRayDegrees = 10;
    // The scale spans the largest extent times kHeadroom each way, in about
    // kTargetDivisions grid steps.
    static constexpr double kHeadroom = 1.1;
    static constexpr int kTargetDivisions = 10;

    static constexpr gfx::Pen kAxisPen{gfx::Pen::kSolid, 1, gfx::Rgb(0, 0, 0)};
    static constexpr gfx::Pen kGridPen{gfx::Pen::kSolid, 1, gfx::Rgb(224, 224, 224)};
    static constexpr gfx::Brush kPlotBrush{gfx::Brush::kSolid, gfx::Rgb(255, 255, 255)};
    static constexpr gfx::Brush kMarginBrush{gfx::Brush::kSolid, gfx::Rgb(224, 224, 224)};
    static constexpr gfx::Pen kElementPen{gfx::Pen::kSolid, 1, gfx::Rgb(0, 0, 255)};
    static constexpr gfx::Pen kHighlightPen{gfx::Pen::kSolid, 3, gfx::Rgb(0, 0, 255)};
    static constexpr gfx::Pen kSettingPen{gfx::Pen::kSolid, 1, gfx::Rgb(255, 0, 0)};
    static constexpr gfx::Pen kBandPen{gfx::Pen::kDash, 1, gfx::Rgb(0, 0, 255)};
    static constexpr gfx::Pen kShotPen{gfx::Pen::kSolid, 1, gfx::Rgb(0, 128, 0)};
    static constexpr gfx::Brush kShotBrush{gfx::Brush::kSolid, gfx::Rgb(0, 128, 0)};
    // A mark's box spans this many pixels each way from its centre.
    static constexpr int kShotRadius = 3;
    // A shot's mark centred on (x, y), with the shot pen.
    static void DrawShotMark(gfx::CCanvas& dc, int x, int y, bool trip);
    static constexpr gfx::Pen kTracePen{gfx::Pen::kSolid, 1, gfx::Rgb(224, 112, 0)};
    static constexpr gfx::Brush kTraceBrush{gfx::Brush::kSolid, gfx::Rgb(224, 112, 0)};
    // The trace's start as an open square, its end as a filled one, this
    // many pixels each way from the point; its ticks as far across it.
    static constexpr int kTraceMark = 3;
    static void DrawTraceMark(gfx::CCanvas& dc, int x, int y, bool end);
    // The bevels of the placeholder's edge and of the frame: outer, inner ring.
    static constexpr gfx::Color kBevelShadow = gfx::Rgb(160, 160, 160);
    static constexpr gfx::Color kBevelDarkShadow = gfx::Rgb(128, 128, 128);
    static constexpr gfx::Color kBevelLight = gfx::Rgb(255, 255, 255);

  private:
    // The plot rectangle of the current placeholder size.
    gfx::Rect PlotRect() const;
    // Whole pixels from the origin to the plot rectangle's four sides.
    struct Reach {
        int right, left, down, up;
    };
    Reach ReachFromOrigin(const gfx::Rect& plot) const;
    float Extent() const;
    int Whole(double v) const;
    // What the layers hold, drawn on `dc` in the layers' coordinates.
    void DrawBackgroundOn(gfx::CCanvas& dc) const;
    void DrawElementsOn(gfx::CCanvas& dc) const;
    void DrawGrid(gfx::CCanvas& dc) const;
    void DrawScales(gfx::CCanvas& dc) const;
    void DrawSettingLines(gfx::CCanvas& dc) const;
    void DrawBandAndShots(gfx::CCanvas& dc) const;
    void DrawTrace(gfx::CCanvas& dc) const;

    Rounding rounding;
    gfx::Font fontLabel;
    gfx::CCanvas* pSurface = nullptr;
    gfx::Size szClient;
    std::unique_ptr<gfx::CCanvas> pBackground;
    std::unique_ptr<gfx::CCanvas> pElementLayer;
};

}  // namespace qz
