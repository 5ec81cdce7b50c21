// The R-X plot: one zone on the impedance plane with an automatic scale, a
// grid with axes and labels, the zone's elements and its setting lines.  It
// renders into two off-screen layers made once; painting only copies them.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/canvas.h"
#include "records/pict.h"

namespace qz {

class CRxPlot {
  public:
    // How DrawBackground turns a pixel distance into whole pixels: the plot
    // rounds, the import preview truncates.
    enum class Rounding { kRound, kTruncate };

    explicit CRxPlot(Rounding backgroundRounding = Rounding::kRound);
    CRxPlot(const CRxPlot&) = delete;
    CRxPlot& operator=(const CRxPlot&) = delete;

    // The placeholder: the surface the layers are made compatible with (it
    // must outlive the plot's use of it) and its client size.
    void SetPlaceholder(gfx::CCanvas& surface, gfx::Size clientSize);

    void FitScale();
    void DrawBackground();
    void DrawElements();
    // FitScale, DrawBackground, DrawElements; the owner then invalidates.
    void Refresh();
    // Copies both layers; (x, y) is the placeholder's top-left corner in the
    // owner's client coordinates.
    void Paint(gfx::CCanvas& dc, int x, int y) const;

    static float NiceStep(float x);

    // Inputs, set by the owner before each refresh.
    std::int32_t Zzd_Mode = 0;
    float Zzd_1 = 0, Zzd_2 = 0, Zzd_3 = 0;
    const PictList* pElements = nullptr;  // not owned
    int nHighlightRow = 0;                // k >= 1: element k - 1

    // Geometry, computed by FitScale.
    gfx::Rect rcFrame;
    gfx::Rect rcPlot;
    gfx::Point ptOrigin;
    float fStep = 0;
    float fPixelsPerStep = 0;
    int nDivisions = 10;

    const gfx::CCanvas* BackgroundLayer() const { return pBackground.get(); }
    const gfx::CCanvas* ElementLayer() const { return pElementLayer.get(); }

    static constexpr gfx::Pen kAxisPen{gfx::Pen::kSolid, 1, gfx::Rgb(0, 0, 0)};
    static constexpr gfx::Pen kGridPen{gfx::Pen::kSolid, 1, gfx::Rgb(224, 224, 224)};
    static constexpr gfx::Brush kPlotBrush{gfx::Brush::kSolid, gfx::Rgb(255, 255, 255)};
    static constexpr gfx::Brush kMarginBrush{gfx::Brush::kSolid, gfx::Rgb(224, 224, 224)};
    static constexpr gfx::Pen kElementPen{gfx::Pen::kSolid, 1, gfx::Rgb(0, 0, 255)};
    static constexpr gfx::Pen kHighlightPen{gfx::Pen::kSolid, 3, gfx::Rgb(0, 0, 255)};
    static constexpr gfx::Pen kSettingPen{gfx::Pen::kSolid, 1, gfx::Rgb(255, 0, 0)};

  private:
    float Extent() const;
    int Whole(double v) const;
    void DrawGrid(gfx::CCanvas& dc) const;
    void DrawScales(gfx::CCanvas& dc) const;
    void DrawSettingLines(gfx::CCanvas& dc) const;

    Rounding rounding;
    gfx::Font fontLabel;
    gfx::CCanvas* pSurface = nullptr;
    gfx::Size szClient;
    std::unique_ptr<gfx::CCanvas> pBackground;
    std::unique_ptr<gfx::CCanvas> pElementLayer;
};

}  // namespace qz
