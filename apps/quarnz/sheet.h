// The R-X plots of a zone set on one sheet: panels in a grid, each titled
// with its zone, and a legend of the pens; or one zone's bare plot.  It draws
// on any canvas, so a PNG, an SVG and a PDF of a sheet are the same calls.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/canvas.h"
#include "plot/rx_plot.h"
#include "records/pict.h"

namespace quarnz {

// The graph editor's plot placeholder is 240 x 173 dialog units; its dialog
// font's base units are 6 x 12 pixels, and dialog units map to pixels as
// MapDialogRect does (x * 6 / 4, y * 12 / 8, halves rounded up): 360 x 260.
constexpr qz::gfx::Size kDefaultSize{360, 260};
// The plot labels every other grid step of at most 12 across the shorter
// side of its rectangle; below 180 pixels there, labels such as "-120" run
// into each other.  The margins add 70 and 60.
constexpr qz::gfx::Size kMinSize{250, 240};
constexpr int kMaxSide = 4000;
// The widest default sheet: an A4 page's width at 96 pixels per inch.
constexpr int kPageWidth = 794;
// Two title lines above each panel, a legend below the sheet.
constexpr int kTitleLine = 16, kTitleHeight = 2 * kTitleLine + 4, kLegendHeight = 24;

struct PlotPanel {
    qz::Text title;     // tag and name
    qz::Text subtitle;  // setting and characteristic kind
    bool hidden = false;
    std::int32_t mode = 0;
    float zzd1 = 0, zzd2 = 0, zzd3 = 0;
    const qz::PictList* picts = nullptr;
};

struct SheetOptions {
    qz::gfx::Size size = kDefaultSize;  // of each plot
    bool sheet = false;                 // otherwise the first panel's bare plot
    int columns = 0;                    // 0: as many as a page's width takes
    int highlight = 0;                  // the plot's highlighted row in every panel
};

struct SheetLayout {
    int columns = 1, rows = 1;
    qz::gfx::Size total;
    // The top-left corner of panel i's plot.
    qz::gfx::Point PlotCorner(std::size_t i, const SheetOptions& options) const;
};
SheetLayout LayOut(std::size_t panels, const SheetOptions& options);

// The plot's inputs from the panel.
void SetInputs(qz::CRxPlot& plot, const PlotPanel& panel, int highlight);

// Draws the panels on `dc`, which is LayOut's total size.
void DrawSheet(qz::gfx::CCanvas& dc, const std::vector<PlotPanel>& panels,
               const SheetOptions& options);

// The text cut, with "…", to `width` pixels of the selected font.
qz::Text CutToWidth(qz::gfx::CCanvas& dc, qz::Text text, int width);

}  // namespace quarnz
