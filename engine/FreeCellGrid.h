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

    bool Empty() const { return m_remaining == 0; }
    size_t Remaining() const { return m_remaining; }

    // Removes the first remaining cell under the rectangle; false when none.
    bool RemoveUnder(long long left, long long top, long long right, long long bottom);
    // Removes and returns the first remaining cell; false when none is left.
    bool TakeFirst(POINT& cell);
    // The remaining cells in order.
    std::vector<POINT> Cells() const;

private:
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
