#include "ui/win32/grid_paint.h"

#include <algorithm>
#include <vector>

namespace qz::ui::win32 {

namespace {

constexpr int kTextMargin = 3;  // pixels between a cell's side and its text
constexpr char16_t kEllipsis[] = u"\u2026";

// The longest head of `text` that is at most `width` pixels wide.
Text FitText(gfx::CCanvas& dc, const Text& text, int width) {
    std::size_t lo = 0, hi = text.size();
    while (lo < hi) {
        std::size_t mid = (lo + hi + 1) / 2;
        if (dc.TextExtent(TextView(text).substr(0, mid)).cx <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.substr(0, lo);
}

}  // namespace

Text CellLine(TextView text) {
    Text line;
    line.reserve(text.size());
    for (char16_t c : text)
        if (c != u'\r' && c != u'\n') line += c;
    return line;
}

void PaintGrid(const CMSFlexGrid& grid, gfx::CCanvas& dc, const GridColors& colors, bool focused) {
    const gfx::Size size = dc.GetSize();
    const gfx::Rect area = grid.CellArea();
    const int rows = grid.GetRows(), cols = grid.GetCols();
    const int fixedRows = grid.GetFixedRows(), fixedCols = grid.GetFixedCols();
    const int selTop = std::min(grid.GetRow(), grid.GetRowSel());
    const int selBottom = std::max(grid.GetRow(), grid.GetRowSel());
    const int selLeft = std::min(grid.GetCol(), grid.GetColSel());
    const int selRight = std::max(grid.GetCol(), grid.GetColSel());

    dc.FillRect({0, 0, size.cx, size.cy}, {gfx::Brush::kSolid, colors.background});
    dc.SelectFont(gfx::Font{});
    dc.SetTransparentText(true);
    const int lineHeight = dc.TextExtent(u"").cy;

    // The columns that show: the fixed ones, then from the left column on.
    std::vector<int> index, left, width;
    for (int c = 0, x = area.left; c < cols && x < area.right; ++c) {
        if (c >= fixedCols && c < grid.GetLeftCol()) continue;
        int w = TwipsToPixels(grid.GetColWidth(c));
        index.push_back(c);
        left.push_back(x);
        width.push_back(w);
        x += w;
    }

    auto paintRow = [&](int r, int top) {
        const int height = TwipsToPixels(grid.GetRowHeight(r));
        if (height <= 0) return 0;
        const int bottom = std::min(top + height, area.bottom);
        for (std::size_t ci = 0; ci < left.size(); ++ci) {
            const int c = index[ci];
            const gfx::Rect cell{left[ci], top, std::min(left[ci] + width[ci], area.right), bottom};
            if (cell.Width() <= 0) continue;
            const bool fixed = r < fixedRows || c < fixedCols;
            const bool selected =
                !fixed && r >= selTop && r <= selBottom && c >= selLeft && c <= selRight;
            const gfx::Color back = fixed      ? colors.fixed
                                    : selected ? colors.selection
                                               : colors.cell;
            dc.FillRect(cell, {gfx::Brush::kSolid, back});
            // Whole-cell lines, cut where the cell is cut.
            const gfx::Rect whole{left[ci], top, left[ci] + width[ci], top + height};
            if (fixed) {
                dc.Draw3dRect(whole, colors.light, colors.shadow);
            } else {
                dc.SelectPen({gfx::Pen::kSolid, 1, colors.lines});
                dc.MoveToEx(whole.right - 1, whole.top);
                dc.LineTo(whole.right - 1, whole.bottom - 1);
                dc.LineTo(whole.left - 1, whole.bottom - 1);
            }
            const Text line = CellLine(grid.GetTextMatrix(r, c));
            if (line.empty()) continue;
            const int room = width[ci] - 2 * kTextMargin;
            if (room <= 0) continue;
            gfx::Size extent = dc.TextExtent(line);
            Text shown = line;
            if (extent.cx > room) {
                // A cut text says so: whole characters dropped silently
                // would read as another tag or number.
                const int rest = room - dc.TextExtent(kEllipsis).cx;
                if (rest < 0) continue;
                shown = FitText(dc, line, rest) + kEllipsis;
                extent = dc.TextExtent(shown);
            }
            const int align = grid.GetCellAlignment(r, c);
            const int across = align >= 0 && align <= 8 ? align / 3 : 0;
            const int down = align >= 0 && align <= 8 ? align % 3 : 1;
            int x = whole.left + kTextMargin;
            if (across == 1) x = whole.left + (width[ci] - extent.cx) / 2;
            if (across == 2) x = whole.right - kTextMargin - extent.cx;
            int y = top + (height - lineHeight) / 2;
            if (down == 0) y = top + 1;
            if (down == 2) y = top + height - lineHeight - 1;
            dc.SetTextColor(fixed      ? colors.fixedText
                            : selected ? colors.selectionText
                                       : colors.text);
            dc.OutText(x, y, shown);
        }
        return height;
    };

    int y = area.top;
    for (int r = 0; r < fixedRows && r < rows && y < area.bottom; ++r) y += paintRow(r, y);
    for (int r = grid.GetTopRow(); r < rows && y < area.bottom; ++r) y += paintRow(r, y);

    // Every other pixel inside the current cell's edges, as Windows draws a
    // focus rectangle, in the colour of that cell's text.
    const int row = grid.GetRow(), col = grid.GetCol();
    const gfx::Rect cell = grid.CellRect(row, col);
    if (focused && row >= fixedRows && col >= fixedCols && cell.Width() > 2 && cell.Height() > 2) {
        const bool selected =
            row >= selTop && row <= selBottom && col >= selLeft && col <= selRight;
        const gfx::Brush dot{gfx::Brush::kSolid, selected ? colors.selectionText : colors.text};
        const int left = cell.left, top = cell.top, right = cell.right - 2,
                  bottom = cell.bottom - 2;
        for (int x = left; x <= right; x += 2) {
            dc.FillRect({x, top, x + 1, top + 1}, dot);
            dc.FillRect({x, bottom, x + 1, bottom + 1}, dot);
        }
        for (int y = top + 2; y < bottom; y += 2) {
            dc.FillRect({left, y, left + 1, y + 1}, dot);
            dc.FillRect({right, y, right + 1, y + 1}, dot);
        }
    }

    // Text that ran past the cells, then the border over everything.
    const gfx::Brush back{gfx::Brush::kSolid, colors.background};
    dc.FillRect({area.right, 0, size.cx, size.cy}, back);
    dc.FillRect({0, area.bottom, size.cx, size.cy}, back);
    dc.Draw3dRect({0, 0, size.cx, size.cy}, colors.shadow, colors.light);
    dc.Draw3dRect({1, 1, size.cx - 1, size.cy - 1}, colors.darkShadow, colors.fixed);
}

}  // namespace qz::ui::win32
