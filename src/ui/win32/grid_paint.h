// Painting the grid control from its model, through the canvas: only the
// rows that show are drawn.
#pragma once

#include "gfx/canvas.h"
#include "ui/grid.h"

namespace qz::ui::win32 {

struct GridColors {
    gfx::Color cell = gfx::Rgb(255, 255, 255);
    gfx::Color text = gfx::Rgb(0, 0, 0);
    gfx::Color fixed = gfx::Rgb(212, 208, 200);
    gfx::Color fixedText = gfx::Rgb(0, 0, 0);
    gfx::Color selection = gfx::Rgb(10, 36, 106);
    gfx::Color selectionText = gfx::Rgb(255, 255, 255);
    gfx::Color lines = gfx::Rgb(192, 192, 192);
    gfx::Color light = gfx::Rgb(255, 255, 255);
    gfx::Color shadow = gfx::Rgb(128, 128, 128);
    gfx::Color darkShadow = gfx::Rgb(64, 64, 64);
    gfx::Color background = gfx::Rgb(128, 128, 128);  // beyond the last row and column
};

// The text a cell shows on its one line: its line breaks left out.
Text CellLine(TextView text);

// Paints the grid's window, border included, onto `dc` (the window's size).
// The scroll bars' strips are left to the scroll bar windows.  With the
// focus, the current cell gets a dotted focus rectangle.
void PaintGrid(const CMSFlexGrid& grid, gfx::CCanvas& dc, const GridColors& colors,
               bool focused = false);

}  // namespace qz::ui::win32
