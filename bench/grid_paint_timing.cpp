// Paints one screen of the zone table on the GDI canvas, with 10,000 rows
// and with 10, side by side in one run, and prints the times and their
// ratio; the target is at most 1.5.  A plain timing program: the Windows
// build has no benchmark library (scripts/windows-test runs it under Wine).
#include <chrono>
#include <cstdio>
#include <string>

#include "base/text.h"
#include "gfx/gdi/gdi_canvas.h"
#include "resources/templates.h"
#include "ui/grid.h"
#include "ui/win32/grid_paint.h"

using namespace qz;
using namespace qz::ui;

namespace {

// The zone settings dialog's table: its columns, heights and texts.
void Fill(CMSFlexGrid& grid, int zones, int width, int height) {
    grid.SetWindowSize(width, height);
    grid.SetRows(zones + 1);
    grid.SetCols(4);
    grid.SetFixedCols(2);
    const int widths[4] = {1000, 1000, 1800, 5200};
    const short aligns[4] = {kAlignCenterCenter, kAlignCenterCenter, kAlignLeftCenter,
                             kAlignLeftCenter};
    const char16_t* headings[4] = {u"显示", u"标记", u"区段名称", u"整定阻抗"};
    for (int c = 0; c < 4; ++c) {
        grid.SetColWidth(c, widths[c]);
        grid.SetColAlignment(c, aligns[c]);
        grid.SetTextMatrix(0, c, headings[c]);
        grid.SetRow(0);
        grid.SetCol(c);
        grid.SetCellAlignment(kAlignCenterCenter);
    }
    for (int r = 0; r <= zones; ++r) grid.SetRowHeight(r, 330);
    for (int r = 1; r <= zones; ++r) {
        grid.SetTextMatrix(r, 0, Format("%3d", r) + u"  √");
        grid.SetTextMatrix(r, 1, u"Z1,LE");
        grid.SetTextMatrix(r, 2, u"接地距离 I段");
        grid.SetTextMatrix(r, 3, u" Zzd = 10.000Ω ∠ 78.000°, \r\n\r\n 偏转角 = 0.000 °");
    }
    grid.SetRow(1);
    grid.SetCol(2);
    grid.SetTopRow(zones / 2);
}

}  // namespace

int main() {
    const res::DlgRect& place = res::FindDialog(res::kDlgZoneSet)->controls[3].rect;
    const int width = DluToPixelX(place.cx), height = DluToPixelY(place.cy);
    CMSFlexGrid big, small;
    Fill(big, 10000, width, height);
    Fill(small, 10, width, height);
    gfx::CGdiCanvas canvas(width, height);
    const win32::GridColors colors;

    // Alternating rounds; the fastest round of each counts.
    using Clock = std::chrono::steady_clock;
    constexpr int kPaints = 50, kRounds = 20;
    double best[2] = {1e30, 1e30};
    for (int round = 0; round < kRounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const CMSFlexGrid& grid = k == 0 ? small : big;
            auto start = Clock::now();
            for (int i = 0; i < kPaints; ++i) win32::PaintGrid(grid, canvas, colors);
            GdiFlush();
            double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
            best[k] = std::min(best[k], us / kPaints);
        }
    }
    const double ratio = best[1] / best[0];
    std::printf(
        "grid paint, one screen of %d x %d pixels: 10 rows %.1f us, 10000 rows %.1f us, "
        "ratio %.2f (target at most 1.5)\n",
        width, height, best[0], best[1], ratio);
    return 0;
}
