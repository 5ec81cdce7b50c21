// The R-X plots of a zone set on one sheet: panels in a grid, each titled
// with its zone, and a legend of the pens; or one zone's bare plot.  It draws
// on any canvas, so a PNG, an SVG and a PDF of a sheet are the same calls.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/canvas.h"
#include "plot/rx_plot.h"
#include "records/pict.h"
#include "records/zone.h"

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
    qz::ZoneSetting setting;
    const qz::PictList* picts = nullptr;
    // The band's factors about Z = 0 (0: none) and the shots to mark.
    double bandInner = 0, bandOuter = 0;
    std::vector<qz::PlotShot> shots;
    qz::PlotTrace trace;  // a recorded trajectory over the zone
};

// A zone's panel: its titles and setting, with `picts` its elements.
PlotPanel PanelOf(const qz::CZone& zone, const qz::PictList* picts);

struct SheetOptions {
    qz::gfx::Size size = kDefaultSize;  // of each plot
    bool sheet = false;                 // otherwise the first panel's bare plot
    int columns = 0;                    // 0: as many as a page's width takes
    int highlight = 0;                  // the plot's highlighted row in every panel
    int rowsPerPage = 0;                // 0: every row on one page
    // The legend's second line: the band of +-bandShare, the shots' marks.
    bool band = false, shots = false;
    double bandShare = 0;
    // The legend's entry for the panels' trace, e.g. "trajectory AN"; none where empty.
    qz::Text trace;
};

// The legend's height: a second line where the band, the shots or a trace are drawn.
int LegendHeight(const SheetOptions& options);

struct SheetLayout {
    int columns = 1, rows = 1;
    int pages = 1, rowsPerPage = 1;
    qz::gfx::Size total;  // of a page: its rows of panels and the legend
    // The top-left corner of panel i's plot on its page.
    qz::gfx::Point PlotCorner(std::size_t i, const SheetOptions& options) const;
};
SheetLayout LayOut(std::size_t panels, const SheetOptions& options);

// A PDF's pages are A4 portrait, in points; readers refuse pages beyond
// 14,400 points a side, and a sheet of any length fits pages of this size.
constexpr double kA4Width = 595.28, kA4Height = 841.89;
struct PageSetup {
    double pointsPerUnit = 1;
    int rowsPerPage = 1;
};
// The sheet at 96 pixels to the inch, or smaller where a row of panels would
// not fit a page; as many rows to a page as fit.
PageSetup A4Pages(std::size_t panels, const SheetOptions& options);

// The plot's inputs from the panel.
void SetInputs(qz::CRxPlot& plot, const PlotPanel& panel, int highlight);

// Draws the panels of page `page` on `dc`, which is LayOut's total size.
void DrawSheet(qz::gfx::CCanvas& dc, const std::vector<PlotPanel>& panels,
               const SheetOptions& options, int page = 0);

// The text cut, with "…", to `width` pixels of the selected font.
qz::Text CutToWidth(qz::gfx::CCanvas& dc, qz::Text text, int width);

}  // namespace quarnz
