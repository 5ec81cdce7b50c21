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
    leftCol_ = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
}

void CMSFlexGrid::Resize() {
    cells_.resize(std::size_t(rows_));
    for (auto& row : cells_) row.resize(std::size_t(cols_));
    rowHeights_.resize(std::size_t(rows_), kDefaultRowHeight);
    BuildRowTree();
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
    leftCol_ = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
}

void CMSFlexGrid::BuildRowTree() {
    std::size_t n = rowHeights_.size();
    rowTree_.assign(n + 1, 0);
    rowsPixels_ = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        rowTree_[i] += TwipsToPixels(rowHeights_[i - 1]);
        rowsPixels_ += TwipsToPixels(rowHeights_[i - 1]);
        std::size_t parent = i + (i & -i);
        if (parent <= n) rowTree_[parent] += rowTree_[i];
    }
}

void CMSFlexGrid::AddRowPixels(int row, long long delta) {
    rowsPixels_ += delta;
    for (std::size_t i = std::size_t(row) + 1; i < rowTree_.size(); i += i & -i)
        rowTree_[i] += delta;
}

long long CMSFlexGrid::RowsHeight(int count) const {
    long long sum = 0;
    for (std::size_t i = std::size_t(count); i > 0; i -= i & -i) sum += rowTree_[i];
    return sum;
}

int CMSFlexGrid::RowAtDepth(long long y) const {
    if (y < 0) return rows_;
    // The most rows whose heights add up to no more than y: the next row holds y.
    std::size_t n = rowTree_.size() - 1, count = 0;
    std::size_t step = 1;
    while (step * 2 <= n) step *= 2;
    for (; step > 0; step /= 2) {
        if (count + step <= n && rowTree_[count + step] <= y) {
            count += step;
            y -= rowTree_[count];
        }
    }
    return int(count);
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
    leftCol_ = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
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
    leftCol_ = std::clamp(leftCol_, fixedCols_, MaxLeftCol());
}

int CMSFlexGrid::GetColWidth(int col) const {
    return col >= 0 && col < cols_ ? colWidths_[std::size_t(col)] : 0;
}

void CMSFlexGrid::SetRowHeight(int row, int twips) {
    if (row < 0 || row >= rows_ || twips < 0) return;
    int& height = rowHeights_[std::size_t(row)];
    AddRowPixels(row, TwipsToPixels(twips) - TwipsToPixels(height));
    height = twips;
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

void CMSFlexGrid::RemoveItem(int row) {
    if (row < fixedRows_ || row >= rows_) return;
    cells_.erase(cells_.begin() + row);
    rowHeights_.erase(rowHeights_.begin() + row);
    --rows_;
    Resize();
}

Rect CMSFlexGrid::CellArea() const {
    int w = std::max(0, width_ - 2 * kBorder), h = std::max(0, height_ - 2 * kBorder);
    int totalW = 0;
    for (int c = 0; c < cols_; ++c) totalW += TwipsToPixels(GetColWidth(c));
    long long totalH = rowsPixels_;
    bool vert = totalH > h, horz = totalW > w;
    if (vert && !horz) horz = totalW > w - kScrollBar;
    if (horz && !vert) vert = totalH > h - kScrollBar;
    return {kBorder, kBorder, kBorder + std::max(0, w - (vert ? kScrollBar : 0)),
            kBorder + std::max(0, h - (horz ? kScrollBar : 0))};
}

int CMSFlexGrid::MaxTopRow() const {
    if (rows_ <= fixedRows_) return fixedRows_;
    // The first row from which the rest fits below the fixed rows.
    long long avail = CellArea().Height() - FixedHeight();
    int top = rows_;
    if (avail >= 0) {
        long long above = rowsPixels_ - avail;  // what must stay scrolled away
        top = above <= RowsHeight(fixedRows_) ? fixedRows_ : RowAtDepth(above - 1) + 1;
    }
    return std::max(fixedRows_, std::min(top, rows_ - 1));
}

int CMSFlexGrid::RowTop(int row) const {
    int y = CellArea().top;
    if (row < fixedRows_) return y + int(RowsHeight(row));
    if (row < topRow_) return -1;
    return y + FixedHeight() + int(RowsHeight(row) - RowsHeight(topRow_));
}

int CMSFlexGrid::ColLeft(int col) const {
    // The fixed columns, then the columns from the left column on.
    int x = CellArea().left;
    for (int c = 0; c < col; ++c)
        if (c < fixedCols_ || c >= leftCol_) x += TwipsToPixels(GetColWidth(c));
    return x;
}

bool CMSFlexGrid::ColIsShown(int col) const {
    return col >= 0 && col < cols_ && (col < fixedCols_ || col >= leftCol_) &&
           ColLeft(col) < CellArea().right;
}

int CMSFlexGrid::MaxLeftCol() const {
    // The first column from which the rest fits beside the fixed columns.
    int room = CellArea().Width();
    for (int c = 0; c < fixedCols_ && c < cols_; ++c) room -= TwipsToPixels(GetColWidth(c));
    int left = cols_;
    while (left > fixedCols_ && room - TwipsToPixels(GetColWidth(left - 1)) >= 0)
        room -= TwipsToPixels(GetColWidth(--left));
    return std::max(fixedCols_, std::min(left, cols_ - 1));
}

void CMSFlexGrid::SetLeftCol(int col) {
    leftCol_ = std::clamp(col, fixedCols_, MaxLeftCol());
}

void CMSFlexGrid::ScrollColIntoView(int col) {
    if (col < fixedCols_ || col >= cols_) return;
    if (col < leftCol_) {
        leftCol_ = col;
        return;
    }
    const int right = CellArea().right;
    while (leftCol_ < col && leftCol_ < MaxLeftCol() &&
           ColLeft(col) + TwipsToPixels(GetColWidth(col)) > right)
        ++leftCol_;
}

bool CMSFlexGrid::RowIsVisible(int row) const {
    if (row < 0 || row >= rows_) return false;
    int top = RowTop(row);
    return top >= 0 && top < CellArea().bottom && GetRowHeight(row) > 0;
}

int CMSFlexGrid::VisibleRowCount() const {
    int count = 0;
    for (int r = 0; r < fixedRows_; ++r) count += RowIsVisible(r);
    // Below the fixed rows the shown ones run from the top row down to the
    // first that starts past the bottom.
    int bottom = CellArea().bottom;
    for (int r = topRow_; r < rows_ && RowTop(r) < bottom; ++r) count += RowIsVisible(r);
    return count;
}

Rect CMSFlexGrid::CellRect(int row, int col) const {
    if (!Valid(row, col) || !RowIsVisible(row) || !ColIsShown(col)) return {};
    Rect area = CellArea();
    Rect r{ColLeft(col), RowTop(row), ColLeft(col) + TwipsToPixels(GetColWidth(col)),
           RowTop(row) + TwipsToPixels(GetRowHeight(row))};
    r.right = std::min(r.right, area.right);
    r.bottom = std::min(r.bottom, area.bottom);
    if (r.left >= r.right || r.top >= r.bottom) return {};
    return r;
}

void CMSFlexGrid::HitTest(Point p, int& row, int& col) const {
    // The fixed rows lie from the cell area's top, the rows from the top row on below them.
    int fixedTop = CellArea().top, scrolledTop = fixedTop + FixedHeight();
    if (p.y < scrolledTop)
        row = RowAtDepth(p.y - fixedTop);
    else
        row = RowAtDepth(p.y - scrolledTop + RowsHeight(topRow_));
    col = cols_;
    for (int c = 0; c < cols_; ++c) {
        if (c >= fixedCols_ && c < leftCol_) continue;  // scrolled away
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

bool CMSFlexGrid::KeyDown(const KeyStroke& key) {
    if (key.alt || rows_ <= fixedRows_ || cols_ <= fixedCols_) return false;
    const int firstRow = fixedRows_, lastRow = rows_ - 1;
    const int firstCol = fixedCols_, lastCol = cols_ - 1;
    // From a heading (no row current yet) the first step lands on the first row.
    int row = row_ < firstRow ? firstRow - 1 : std::min(row_, lastRow);
    int col = std::clamp(col_, firstCol, lastCol);
    // A page is the rows that show whole.
    int page = 0;
    const int bottom = CellArea().bottom;
    for (int r = topRow_;
         r < rows_ && RowTop(r) >= 0 && RowTop(r) + TwipsToPixels(GetRowHeight(r)) <= bottom; ++r)
        ++page;
    page = std::max(page, 1);
    switch (key.code) {
        case kKeyUp:
            --row;
            break;
        case kKeyDown:
            ++row;
            break;
        case kKeyPageUp:
            row -= page;
            break;
        case kKeyPageDown:
            row += page;
            break;
        case kKeyLeft:
            --col;
            break;
        case kKeyRight:
            ++col;
            break;
        case kKeyHome:
            col = firstCol;
            if (key.ctrl) row = firstRow;
            break;
        case kKeyEnd:
            col = lastCol;
            if (key.ctrl) row = lastRow;
            break;
        default:
            return false;
    }
    row = std::clamp(row, firstRow, lastRow);
    col = std::clamp(col, firstCol, lastCol);
    const int before[4] = {row_, col_, rowSel_, colSel_};
    row_ = rowSel_ = row;
    col_ = colSel_ = col;
    ScrollIntoView(row);
    ScrollColIntoView(col);
    const int after[4] = {row_, col_, rowSel_, colSel_};
    return !std::equal(std::begin(before), std::end(before), std::begin(after));
}

void CMSFlexGrid::ScrollIntoView(int row) {
    if (row < fixedRows_ || row >= rows_) return;
    if (row < topRow_) {
        topRow_ = row;
        return;
    }
    // The first top row from which `row` shows whole, as MaxTopRow finds it.
    const long long avail = CellArea().Height() - FixedHeight();
    const long long above = RowsHeight(row + 1) - avail;
    int top = above <= RowsHeight(fixedRows_) ? fixedRows_ : RowAtDepth(above - 1) + 1;
    top = std::min({top, row, MaxTopRow()});
    if (top > topRow_) topRow_ = top;
}

void EnsureRowVisible(CMSFlexGrid& grid, int& row) {
    int rows = grid.GetRows();
    if (grid.RowIsVisible(row) || rows <= 0) return;
    int visible = grid.VisibleRowCount();
    if (visible >= rows) return;
    if (row >= rows) row = rows - 1;
    grid.SetTopRow(std::max(1, row - visible + 4));
}

}  // namespace qz::ui
