// The grid control of the zone table and the element table: the operations
// the dialogs call, with the behaviour they rely on.  It is a model: a
// backend paints it and reports the mouse; the row geometry (which rows are
// shown) is computed here from the control's size and the row heights.
#pragma once

#include <vector>

#include "base/text.h"
#include "ui/keys.h"
#include "ui/units.h"

namespace qz::ui {

// Events the grid raises, by their dispatch ids.
enum GridEvent : int { kGridClick = -600, kGridDblClick = -601, kGridSelChange = 69 };
// Alignment codes.
enum GridAlign : short { kAlignLeftCenter = 1, kAlignCenterCenter = 4 };

class CMSFlexGrid {
  public:
    CMSFlexGrid() { BuildRowTree(); }
    // The window's size in pixels, border included.
    void SetWindowSize(int width, int height);

    int GetRows() const { return rows_; }
    void SetRows(int rows);
    int GetCols() const { return cols_; }
    void SetCols(int cols);
    int GetFixedRows() const { return fixedRows_; }
    int GetFixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int GetTopRow() const { return topRow_; }
    void SetTopRow(int row);
    // The first of the scrolling columns shown beside the fixed ones.
    int GetLeftCol() const { return leftCol_; }
    void SetLeftCol(int col);
    // The last column that can be the left column: the scroll bar's end.
    int MaxLeftCol() const;
    // Not scrolled away, and starting inside the cell area.
    bool ColIsShown(int col) const;
    int GetRow() const { return row_; }
    void SetRow(int row);
    int GetCol() const { return col_; }
    void SetCol(int col);
    int GetRowSel() const { return rowSel_; }
    int GetColSel() const { return colSel_; }
    void SetColSel(int col);
    bool GetRedraw() const { return redraw_; }
    void SetRedraw(bool redraw) { redraw_ = redraw; }
    int GetMouseRow() const { return mouseRow_; }
    int GetMouseCol() const { return mouseCol_; }
    // Of the current cell.
    void SetCellAlignment(short alignment);
    short GetCellAlignment(int row, int col) const;
    int GetAllowUserResizing() const { return allowUserResizing_; }
    void SetAllowUserResizing(int value) { allowUserResizing_ = value; }
    void SetColAlignment(int col, short alignment);
    short GetColAlignment(int col) const;
    void SetColWidth(int col, int twips);
    int GetColWidth(int col) const;
    void SetRowHeight(int row, int twips);
    int GetRowHeight(int row) const;
    void SetTextMatrix(int row, int col, TextView text);
    Text GetTextMatrix(int row, int col) const;
    // Empties every cell's text.
    void Clear();
    // Takes a row out; the rows below move up.  Fixed rows stay.
    void RemoveItem(int row);
    // Repaints at once.
    void Refresh() { ++refreshCount_; }
    int RefreshCount() const { return refreshCount_; }
    // At least partly shown.
    bool RowIsVisible(int row) const;
    // The rows for which RowIsVisible holds.
    int VisibleRowCount() const;
    // The last row that can be the top row: the scroll bar's end.
    int MaxTopRow() const;

    // For backends.  The area inside the border and scroll bars, in pixels.
    Rect CellArea() const;
    // A cell's rectangle in client pixels (cut to the cell area); empty when
    // the cell is not shown.
    Rect CellRect(int row, int col) const;
    // The cell under a client point; a point past the last row or column
    // gives the count (one past the end).
    void HitTest(Point p, int& row, int& col) const;
    // The mouse is over `p`: MouseRow and MouseCol follow it.
    void MouseMove(Point p);
    // A left button press at `p`: the mouse cell, the current cell and the
    // selection follow, and a partly shown row scrolls into view.  True when
    // the selection changed.
    bool MouseDown(Point p);
    // A key pressed while the grid has the focus, other than those the
    // dialog manager takes (Tab, Enter, Escape, Alt and a letter): the arrows,
    // Page Up and Down, Home and End (with Ctrl: the first and last cell)
    // move the current cell, and its row scrolls into view.  True when the
    // selection changed.
    bool KeyDown(const KeyStroke& key);

  private:
    // Scrolls so that `row` shows whole, or as the first row when it cannot.
    void ScrollIntoView(int row);
    void ScrollColIntoView(int col);
    int ColLeft(int col) const;  // client x of the column's left edge
    int RowTop(int row) const;   // client y of the row's top edge; -1 when scrolled away
    int FixedHeight() const { return int(RowsHeight(fixedRows_)); }
    bool Valid(int row, int col) const {
        return row >= 0 && row < rows_ && col >= 0 && col < cols_;
    }
    void Resize();
    // The heights in pixels are kept in a Fenwick tree: a height's change, a
    // row's top and the row at a given depth each cost log(rows), so a table
    // of many rows is filled row by row without summing them all each time.
    void BuildRowTree();
    void AddRowPixels(int row, long long delta);
    // Pixels of the rows before `count`.
    long long RowsHeight(int count) const;
    // The row whose span holds the point y pixels below row 0's top edge
    // (rows of no height hold none); rows_ past the last row.
    int RowAtDepth(long long y) const;

    struct Cell {
        Text text;
        short align = 0;  // 0: the column's alignment
    };

    int width_ = 0, height_ = 0;
    int rows_ = 2, cols_ = 2, fixedRows_ = 1, fixedCols_ = 1;
    int topRow_ = 1, leftCol_ = 1, row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
    int mouseRow_ = 0, mouseCol_ = 0;
    bool redraw_ = true;
    int allowUserResizing_ = 0;
    int refreshCount_ = 0;
    std::vector<int> rowHeights_ = std::vector<int>(2, 240);  // twips
    std::vector<long long> rowTree_;                          // pixels, 1-based
    long long rowsPixels_ = 0;                                // all rows
    std::vector<int> colWidths_ = std::vector<int>(2, 960);   // twips
    std::vector<short> colAlign_ = std::vector<short>(2, 0);
    std::vector<std::vector<Cell>> cells_ = std::vector<std::vector<Cell>>(2, std::vector<Cell>(2));
};

// What the tables do after a refill: when `row` is not shown and not every
// row fits, a row past the end becomes the last one and the table scrolls so
// that it shows a few rows above the bottom (top row: row - rows shown + 4,
// at least 1).
void EnsureRowVisible(CMSFlexGrid& grid, int& row);

}  // namespace qz::ui
