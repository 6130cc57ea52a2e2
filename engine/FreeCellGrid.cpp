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
    m_left = static_cast<long long>(area.left) + kFirstX;
    m_top = static_cast<long long>(area.top) + kFirstY;
    m_cx = cell.cx;
    m_cy = cell.cy;
    m_columns = 0;
    m_rows = 0;
    if (m_cx > 0 && m_cy > 0) {
        m_columns = CountBelow(m_left, m_cx, static_cast<long long>(area.right) - 10);
        m_rows = CountBelow(m_top, m_cy, static_cast<long long>(area.bottom) - m_cy);
    }
    if (m_columns == 0 || m_rows == 0)
        m_columns = m_rows = 0;
    m_remaining = static_cast<size_t>(m_columns * m_rows);
    m_free.assign(m_remaining, true);
    m_first = 0;
}

POINT CFreeCellGrid::CellAt(size_t ordinal) const
{
    const long long column = static_cast<long long>(ordinal) / m_rows;
    const long long row = static_cast<long long>(ordinal) % m_rows;
    return { static_cast<LONG>(m_left + column * m_cx), static_cast<LONG>(m_top + row * m_cy) };
}

bool CFreeCellGrid::RemoveUnder(long long left, long long top, long long right, long long bottom)
{
    if (m_remaining == 0 || left >= right || top >= bottom)
        return false;
    // Column i has its centre at m_left + i * cx + cx / 2; keep the columns
    // and rows whose centres fall inside [left, right) and [top, bottom).
    const long long halfX = m_cx / 2;
    const long long halfY = m_cy / 2;
    long long firstColumn = CeilDiv(left - m_left - halfX, m_cx);
    long long lastColumn = FloorDiv(right - 1 - m_left - halfX, m_cx);
    long long firstRow = CeilDiv(top - m_top - halfY, m_cy);
    long long lastRow = FloorDiv(bottom - 1 - m_top - halfY, m_cy);
    if (firstColumn < 0) firstColumn = 0;
    if (firstRow < 0) firstRow = 0;
    if (lastColumn >= m_columns) lastColumn = m_columns - 1;
    if (lastRow >= m_rows) lastRow = m_rows - 1;

    for (long long column = firstColumn; column <= lastColumn; ++column) {
        for (long long row = firstRow; row <= lastRow; ++row) {
            const size_t ordinal = static_cast<size_t>(column * m_rows + row);
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
