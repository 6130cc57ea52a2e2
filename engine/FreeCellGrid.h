#pragma once
#include <windows.h>
#include <vector>

// The free cells of the default icon grid: top-left corners of cells, in
// column order (down the first column, then down the next one to its right),
// from which cells are only ever removed. A cell is "under" a rectangle when
// its centre lies inside it, right and bottom edges outside.
class CFreeCellGrid
{
public:
    // Cells at x = left + 21 + i * cx while x < right - 10 and
    // y = top + 2 + j * cy while y < bottom - cy, so that every cell lies
    // inside the area. A spacing without width or height gives no cells.
    void Build(SIZE cell, const RECT& area);
    // The same grid with only the cells that lie wholly inside the area
    // (x + cx <= right, y + cy <= bottom): an icon given one of them is on
    // the area whole.
    void BuildInside(SIZE cell, const RECT& area);
    // No real screen has more cells; a larger grid (a damaged geometry) has
    // none, so that its cells are never allocated.
    static constexpr long long kMostCells = 1LL << 22;

    bool Empty() const { return m_remaining == 0; }
    size_t Remaining() const { return m_remaining; }

    // Removes the first remaining cell under the rectangle; false when none.
    bool RemoveUnder(long long left, long long top, long long right, long long bottom);
    // Removes and returns the first remaining cell; false when none is left.
    bool TakeFirst(POINT& cell);
    // The remaining cells in order.
    std::vector<POINT> Cells() const;

    // The cells by column and row (column 0 at the left, row 0 at the top).
    long long Columns() const { return m_columns; }
    long long Rows() const { return m_rows; }
    // The column and row of the cell under an icon at x or y (the one whose
    // centre its rectangle holds), which may lie outside the grid.
    long long ColumnUnder(long long x) const;
    long long RowUnder(long long y) const;
    POINT CellPoint(long long column, long long row) const;
    // Inside the grid only.
    bool IsFree(long long column, long long row) const { return m_free[Ordinal(column, row)]; }
    void Take(long long column, long long row);

private:
    void Lay(SIZE cell, const RECT& area, long long xLimit, long long yLimit);
    size_t Ordinal(long long column, long long row) const { return static_cast<size_t>(column * m_rows + row); }
    POINT CellAt(size_t ordinal) const;

    long long m_left = 0;
    long long m_top = 0;
    long long m_cx = 0;
    long long m_cy = 0;
    long long m_columns = 0;
    long long m_rows = 0;
    std::vector<bool> m_free;
    size_t m_first = 0;
    size_t m_remaining = 0;
};
