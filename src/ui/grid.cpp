#include "ui/grid.h"

#include <algorithm>

namespace qz::ui {

namespace {
constexpr int kBorder = 2;      // the sunken border, each side
constexpr int kScrollBar = 17;  // width of a vertical, height of a horizontal scroll bar
constexpr int kDefaultRowHeight = 240;
constexpr int kDefaultColWidth = 960;
}  // namespace

void CMSFlexGrid::SetWindowSize(int width, int height) {
    width_ = width;
    height_ = height;
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
}

void CMSFlexGrid::Resize() {
    cells_.resize(std::size_t(rows_));
    for (auto& row : cells_) row.resize(std::size_t(cols_));
    rowHeights_.resize(std::size_t(rows_), kDefaultRowHeight);
    colWidths_.resize(std::size_t(cols_), kDefaultColWidth);
    colAlign_.resize(std::size_t(cols_), 0);
    fixedRows_ = std::min(fixedRows_, rows_);
    fixedCols_ = std::min(fixedCols_, cols_);
    auto limit = [](int v, int count) { return std::clamp(v, 0, std::max(0, count - 1)); };
    row_ = limit(row_, rows_);
    rowSel_ = limit(rowSel_, rows_);
    col_ = limit(col_, cols_);
    colSel_ = limit(colSel_, cols_);
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
}

void CMSFlexGrid::SetRows(int rows) {
    if (rows < 0) return;
    rows_ = rows;
    Resize();
}

void CMSFlexGrid::SetCols(int cols) {
    if (cols < 0) return;
    cols_ = cols;
    Resize();
}

void CMSFlexGrid::SetFixedCols(int count) {
    if (count >= 0 && count <= cols_) fixedCols_ = count;
}

void CMSFlexGrid::SetTopRow(int row) {
    topRow_ = std::clamp(row, fixedRows_, MaxTopRow());
}

void CMSFlexGrid::SetRow(int row) {
    if (row < 0 || row >= rows_) return;
    row_ = rowSel_ = row;
}

void CMSFlexGrid::SetCol(int col) {
    if (col < 0 || col >= cols_) return;
    col_ = colSel_ = col;
}

void CMSFlexGrid::SetColSel(int col) {
    if (col >= 0 && col < cols_) colSel_ = col;
}

void CMSFlexGrid::SetCellAlignment(short alignment) {
    if (Valid(row_, col_)) cells_[std::size_t(row_)][std::size_t(col_)].align = alignment;
}

short CMSFlexGrid::GetCellAlignment(int row, int col) const {
    if (!Valid(row, col)) return 0;
    short a = cells_[std::size_t(row)][std::size_t(col)].align;
    return a ? a : colAlign_[std::size_t(col)];
}

void CMSFlexGrid::SetColAlignment(int col, short alignment) {
    if (col >= 0 && col < cols_) colAlign_[std::size_t(col)] = alignment;
}

short CMSFlexGrid::GetColAlignment(int col) const {
    return col >= 0 && col < cols_ ? colAlign_[std::size_t(col)] : 0;
}

void CMSFlexGrid::SetColWidth(int col, int twips) {
    if (col >= 0 && col < cols_ && twips >= 0) colWidths_[std::size_t(col)] = twips;
}

int CMSFlexGrid::GetColWidth(int col) const {
    return col >= 0 && col < cols_ ? colWidths_[std::size_t(col)] : 0;
}

void CMSFlexGrid::SetRowHeight(int row, int twips) {
    if (row < 0 || row >= rows_ || twips < 0) return;
    rowHeights_[std::size_t(row)] = twips;
    topRow_ = std::clamp(topRow_, fixedRows_, MaxTopRow());
}

int CMSFlexGrid::GetRowHeight(int row) const {
    return row >= 0 && row < rows_ ? rowHeights_[std::size_t(row)] : 0;
}

void CMSFlexGrid::SetTextMatrix(int row, int col, TextView text) {
    if (Valid(row, col)) cells_[std::size_t(row)][std::size_t(col)].text = Text(text);
}

Text CMSFlexGrid::GetTextMatrix(int row, int col) const {
    return Valid(row, col) ? cells_[std::size_t(row)][std::size_t(col)].text : Text();
}

void CMSFlexGrid::Clear() {
    for (auto& row : cells_)
        for (auto& cell : row) cell.text.clear();
}

Rect CMSFlexGrid::CellArea() const {
    int w = std::max(0, width_ - 2 * kBorder), h = std::max(0, height_ - 2 * kBorder);
    int totalW = 0, totalH = 0;
    for (int c = 0; c < cols_; ++c) totalW += TwipsToPixels(GetColWidth(c));
    for (int r = 0; r < rows_; ++r) totalH += TwipsToPixels(GetRowHeight(r));
    bool vert = totalH > h, horz = totalW > w;
    if (vert && !horz) horz = totalW > w - kScrollBar;
    if (horz && !vert) vert = totalH > h - kScrollBar;
    return {kBorder, kBorder, kBorder + std::max(0, w - (vert ? kScrollBar : 0)),
            kBorder + std::max(0, h - (horz ? kScrollBar : 0))};
}

int CMSFlexGrid::FixedHeight() const {
    int h = 0;
    for (int r = 0; r < fixedRows_; ++r) h += TwipsToPixels(GetRowHeight(r));
    return h;
}

int CMSFlexGrid::MaxTopRow() const {
    if (rows_ <= fixedRows_) return fixedRows_;
    int avail = CellArea().Height() - FixedHeight();
    int top = rows_, used = 0;
    while (top - 1 >= fixedRows_ && used + TwipsToPixels(GetRowHeight(top - 1)) <= avail) {
        used += TwipsToPixels(GetRowHeight(top - 1));
        --top;
    }
    return std::max(fixedRows_, std::min(top, rows_ - 1));
}

int CMSFlexGrid::RowTop(int row) const {
    int y = CellArea().top;
    if (row < fixedRows_) {
        for (int r = 0; r < row; ++r) y += TwipsToPixels(GetRowHeight(r));
        return y;
    }
    if (row < topRow_) return -1;
    y += FixedHeight();
    for (int r = topRow_; r < row; ++r) y += TwipsToPixels(GetRowHeight(r));
    return y;
}

int CMSFlexGrid::ColLeft(int col) const {
    int x = CellArea().left;
    for (int c = 0; c < col; ++c) x += TwipsToPixels(GetColWidth(c));
    return x;
}

bool CMSFlexGrid::RowIsVisible(int row) const {
    if (row < 0 || row >= rows_) return false;
    int top = RowTop(row);
    return top >= 0 && top < CellArea().bottom && GetRowHeight(row) > 0;
}

Rect CMSFlexGrid::CellRect(int row, int col) const {
    if (!Valid(row, col) || !RowIsVisible(row)) return {};
    Rect area = CellArea();
    Rect r{ColLeft(col), RowTop(row), ColLeft(col) + TwipsToPixels(GetColWidth(col)),
           RowTop(row) + TwipsToPixels(GetRowHeight(row))};
    r.right = std::min(r.right, area.right);
    r.bottom = std::min(r.bottom, area.bottom);
    if (r.left >= r.right || r.top >= r.bottom) return {};
    return r;
}

void CMSFlexGrid::HitTest(Point p, int& row, int& col) const {
    row = rows_;
    for (int r = 0; r < rows_; ++r) {
        int top = RowTop(r);
        if (top >= 0 && p.y >= top && p.y < top + TwipsToPixels(GetRowHeight(r))) {
            row = r;
            break;
        }
    }
    col = cols_;
    for (int c = 0; c < cols_; ++c) {
        int left = ColLeft(c);
        if (p.x >= left && p.x < left + TwipsToPixels(GetColWidth(c))) {
            col = c;
            break;
        }
    }
}

void CMSFlexGrid::MouseMove(Point p) {
    HitTest(p, mouseRow_, mouseCol_);
}

bool CMSFlexGrid::MouseDown(Point p) {
    MouseMove(p);
    int mr = mouseRow_, mc = mouseCol_;
    if (mr >= rows_ || mc >= cols_ || rows_ <= fixedRows_ || cols_ <= fixedCols_) return false;
    int before[4] = {row_, col_, rowSel_, colSel_};
    bool fixedRow = mr < fixedRows_, fixedCol = mc < fixedCols_;
    // A press on a heading selects the whole row or column behind it.
    row_ = fixedRow ? fixedRows_ : mr;
    rowSel_ = fixedRow ? rows_ - 1 : mr;
    col_ = fixedCol ? fixedCols_ : mc;
    colSel_ = fixedCol ? cols_ - 1 : mc;
    if (!fixedRow) {
        Rect area = CellArea();
        while (topRow_ < mr && topRow_ < MaxTopRow() &&
               RowTop(mr) + TwipsToPixels(GetRowHeight(mr)) > area.bottom)
            ++topRow_;
    }
    int after[4] = {row_, col_, rowSel_, colSel_};
    return !std::equal(std::begin(before), std::end(before), std::begin(after));
}

}  // namespace qz::ui
