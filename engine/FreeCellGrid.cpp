#include "engine/FreeCellGrid.h"

namespace {

constexpr long long kFirstX = 21;
constexpr long long kFirstY = 2;

// Division rounding toward negative and positive infinity (d > 0).
long long FloorDiv(long long n, long long d) { return n >= 0 ? n / d : -((-n + d - 1) / d); }
long long CeilDiv(long long n, long long d) { return -FloorDiv(-n, d); }

// How many of start, start + step, ... lie below limit.
long long CountBelow(long long start, long long step, long long limit)
{
    return limit > start ? CeilDiv(limit - start, step) : 0;
}

} // namespace

void CFreeCellGrid::Build(SIZE cell, const RECT& area)
{
    Lay(cell, area, static_cast<long long>(area.right) - 10, static_cast<long long>(area.bottom) - cell.cy);
}

void CFreeCellGrid::BuildInside(SIZE cell, const RECT& area)
{
    Lay(cell, area, static_cast<long long>(area.right) - cell.cx + 1, static_cast<long long>(area.bottom) - cell.cy + 1);
}

// Columns at x = left + 21 + i * cx while x < xLimit, rows likewise.
void CFreeCellGrid::Lay(SIZE cell, const RECT& area, long long xLimit, long long yLimit)
{
    m_left = static_cast<long long>(area.left) + kFirstX;
    m_top = static_cast<long long>(area.top) + kFirstY;
    m_cx = cell.cx;
    m_cy = cell.cy;
    m_columns = 0;
    m_rows = 0;
    if (m_cx > 0 && m_cy > 0) {
        m_columns = CountBelow(m_left, m_cx, xLimit);
        m_rows = CountBelow(m_top, m_cy, yLimit);
    }
    if (m_columns == 0 || m_rows == 0 || m_columns > kMostCells / m_rows)
        m_columns = m_rows = 0;
    m_remaining = static_cast<size_t>(m_columns * m_rows);
    m_free.assign(m_remaining, true);
    m_first = 0;
}

long long CFreeCellGrid::ColumnUnder(long long x) const
{
    return CeilDiv(x - m_left - m_cx / 2, m_cx);
}

long long CFreeCellGrid::RowUnder(long long y) const
{
    return CeilDiv(y - m_top - m_cy / 2, m_cy);
}

POINT CFreeCellGrid::CellPoint(long long column, long long row) const
{
    return { static_cast<LONG>(m_left + column * m_cx), static_cast<LONG>(m_top + row * m_cy) };
}

void CFreeCellGrid::Take(long long column, long long row)
{
    const size_t ordinal = Ordinal(column, row);
    if (!m_free[ordinal])
        return;
    m_free[ordinal] = false;
    --m_remaining;
}

POINT CFreeCellGrid::CellAt(size_t ordinal) const
{
    return CellPoint(static_cast<long long>(ordinal) / m_rows, static_cast<long long>(ordinal) % m_rows);
}

bool CFreeCellGrid::RemoveUnder(long long left, long long top, long long right, long long bottom)
{
    if (m_remaining == 0 || left >= right || top >= bottom)
        return false;
    // Column i has its centre at m_left + i * cx + cx / 2; keep the columns
    // and rows whose centres fall inside [left, right) and [top, bottom).
    long long firstColumn = ColumnUnder(left);
    long long lastColumn = FloorDiv(right - 1 - m_left - m_cx / 2, m_cx);
    long long firstRow = RowUnder(top);
    long long lastRow = FloorDiv(bottom - 1 - m_top - m_cy / 2, m_cy);
    if (firstColumn < 0) firstColumn = 0;
    if (firstRow < 0) firstRow = 0;
    if (lastColumn >= m_columns) lastColumn = m_columns - 1;
    if (lastRow >= m_rows) lastRow = m_rows - 1;

    for (long long column = firstColumn; column <= lastColumn; ++column) {
        for (long long row = firstRow; row <= lastRow; ++row) {
            const size_t ordinal = Ordinal(column, row);
            if (m_free[ordinal]) {
                m_free[ordinal] = false;
                --m_remaining;
                return true;
            }
        }
    }
    return false;
}

bool CFreeCellGrid::TakeFirst(POINT& cell)
{
    if (m_remaining == 0)
        return false;
    while (!m_free[m_first])
        ++m_first;
    m_free[m_first] = false;
    --m_remaining;
    cell = CellAt(m_first);
    return true;
}

std::vector<POINT> CFreeCellGrid::Cells() const
{
    std::vector<POINT> cells;
    cells.reserve(m_remaining);
    for (size_t ordinal = m_first; ordinal < m_free.size(); ++ordinal) {
        if (m_free[ordinal])
            cells.push_back(CellAt(ordinal));
    }
    return cells;
}
