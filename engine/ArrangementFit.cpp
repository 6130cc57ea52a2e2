#include "engine/ArrangementFit.h"
#include <algorithm>
#include <unordered_map>
#include "engine/FreeCellGrid.h"

namespace {

// Finds and takes the free cell nearest a wanted one, which may lie outside
// the grid, by rings of cells around it: ring n holds the cells n steps away.
// The rings that were full at an earlier search from the same cell are not
// searched again (cells are only ever taken), a full grid is not searched
// at all, and each ring is searched only where it crosses the grid.
class CNearestFree
{
public:
    explicit CNearestFree(CFreeCellGrid& grid) : m_grid(grid) {}

    bool Take(long long column, long long row, POINT toward, POINT& cell)
    {
        if (m_grid.Empty())
            return false;
        const long long lastColumn = m_grid.Columns() - 1;
        const long long lastRow = m_grid.Rows() - 1;
        const long long farthest = std::max({ column, lastColumn - column, row, lastRow - row });
        const long long toGrid = std::max({ 0LL, -column, column - lastColumn, -row, row - lastRow });
        const unsigned long long key =
            (static_cast<unsigned long long>(column) << 32) ^ static_cast<unsigned long long>(row & 0xFFFFFFFFLL);
        long long& ring = m_fullRings[key];
        for (ring = std::max(ring, toGrid); ring <= farthest; ++ring) {
            m_found = false;
            m_toward = toward;
            SearchRing(column, row, ring);
            if (m_found) {
                m_grid.Take(m_bestColumn, m_bestRow);
                cell = m_grid.CellPoint(m_bestColumn, m_bestRow);
                return true;
            }
        }
        return false;
    }

private:
    void SearchRing(long long column, long long row, long long ring)
    {
        const long long left = std::max(0LL, column - ring);
        const long long right = std::min(m_grid.Columns() - 1, column + ring);
        for (long long r : { row - ring, row + ring }) {
            if (r >= 0 && r < m_grid.Rows()) {
                for (long long c = left; c <= right; ++c)
                    Consider(c, r);
            }
            if (ring == 0)
                return;
        }
        const long long top = std::max(0LL, row - ring + 1);
        const long long bottom = std::min(m_grid.Rows() - 1, row + ring - 1);
        for (long long c : { column - ring, column + ring }) {
            if (c < 0 || c >= m_grid.Columns())
                continue;
            for (long long r = top; r <= bottom; ++r)
                Consider(c, r);
        }
    }

    // Of the free cells of one ring, the one nearest the icon's old relative
    // position, then the first in column order.
    void Consider(long long column, long long row)
    {
        if (!m_grid.IsFree(column, row))
            return;
        const POINT point = m_grid.CellPoint(column, row);
        const double dx = static_cast<double>(point.x) - m_toward.x;
        const double dy = static_cast<double>(point.y) - m_toward.y;
        const double distance = dx * dx + dy * dy;
        if (m_found && (distance > m_bestDistance ||
                        (distance == m_bestDistance &&
                         (column > m_bestColumn || (column == m_bestColumn && row > m_bestRow)))))
            return;
        m_found = true;
        m_bestDistance = distance;
        m_bestColumn = column;
        m_bestRow = row;
    }

    CFreeCellGrid& m_grid;
    // Per wanted cell, the first ring that may still hold a free cell.
    std::unordered_map<unsigned long long, long long> m_fullRings;
    POINT m_toward = {};
    bool m_found = false;
    double m_bestDistance = 0;
    long long m_bestColumn = 0;
    long long m_bestRow = 0;
};

// The monitor of which snapshot gives a monitor of the new setup its icons.
struct CSource
{
    size_t snapshot;
    size_t monitor;
};

struct CCandidate
{
    const IconRecord* record;
    size_t snapshot;
    size_t target;
    bool dropped;  // a newer snapshot places this icon
    bool wanted;   // both grids have cells
    long long column;
    long long row;
    POINT toward;  // the old position relative to the work area, in the new one
    bool placed;
    POINT cell;
};

// The same icon in every snapshot: its parsing name, letter case ignored as
// the file system ignores it (a legacy record's Path is its name).
std::wstring IconKey(const IconRecord& record)
{
    std::wstring key(record.Path.IsAbsent() ? record.Name.c_str() : record.Path.c_str());
    if (!key.empty())
        CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

// A cell counted from the nearer end of a line of from cells, in a line of
// to cells: the far half keeps its distance from the far end.
long long FromNearerEnd(long long cell, long long from, long long to)
{
    const long long fromFar = from - 1 - cell;
    return fromFar < cell ? to - 1 - fromFar : cell;
}

// A coordinate's share of the old span, clamped to it, on the new span.
LONG CarryShare(long long value, LONG oldLow, LONG oldHigh, LONG newLow, LONG newHigh)
{
    const double span = static_cast<double>(oldHigh) - oldLow;
    const double share = span > 0 ? std::clamp((static_cast<double>(value) - oldLow) / span, 0.0, 1.0) : 0.0;
    return static_cast<LONG>(newLow + share * (static_cast<double>(newHigh) - newLow));
}

void Aim(CCandidate& candidate, const FitMonitor& from, const CFreeCellGrid& fromGrid, const FitMonitor& to,
         const CFreeCellGrid& toGrid)
{
    candidate.wanted = !fromGrid.Empty() && !toGrid.Empty();
    if (!candidate.wanted)
        return;
    const long long x = static_cast<long long>(from.rect.left) + candidate.record->XCoord;
    const long long y = static_cast<long long>(from.rect.top) + candidate.record->YCoord;
    const long long column = std::clamp(fromGrid.ColumnUnder(x), 0LL, fromGrid.Columns() - 1);
    const long long row = std::clamp(fromGrid.RowUnder(y), 0LL, fromGrid.Rows() - 1);
    candidate.column = FromNearerEnd(column, fromGrid.Columns(), toGrid.Columns());
    candidate.row = FromNearerEnd(row, fromGrid.Rows(), toGrid.Rows());
    candidate.toward = { CarryShare(x, from.workArea.left, from.workArea.right, to.workArea.left, to.workArea.right),
                         CarryShare(y, from.workArea.top, from.workArea.bottom, to.workArea.top, to.workArea.bottom) };
}

} // namespace

ArrangementFit FitArrangement(const std::vector<FitSnapshot>& snapshots, const std::vector<FitMonitor>& setup)
{
    // The newest snapshot of each monitor; of equal times the first given.
    std::unordered_map<std::wstring, CSource> newest;
    for (size_t s = 0; s < snapshots.size(); ++s) {
        for (size_t m = 0; m < snapshots[s].monitors.size(); ++m) {
            const std::wstring& identity = snapshots[s].monitors[m].identity;
            if (identity.empty())
                continue;
            auto entry = newest.emplace(identity, CSource{ s, m });
            if (!entry.second && snapshots[s].time > snapshots[entry.first->second.snapshot].time)
                entry.first->second = CSource{ s, m };
        }
    }

    // targets[s][m]: the monitor of the setup that monitor m of snapshot s
    // gives its icons to, -1 for none.
    std::vector<std::vector<long long>> targets(snapshots.size());
    std::vector<const FitMonitor*> sources(setup.size(), nullptr);
    std::vector<CFreeCellGrid> oldGrids(setup.size());
    std::vector<CFreeCellGrid> grids(setup.size());
    for (size_t t = 0; t < setup.size(); ++t) {
        const auto found = setup[t].identity.empty() ? newest.end() : newest.find(setup[t].identity);
        if (found == newest.end())
            continue;
        const CSource source = found->second;
        std::vector<long long>& to = targets[source.snapshot];
        if (to.empty())
            to.assign(snapshots[source.snapshot].monitors.size(), -1);
        if (to[source.monitor] >= 0)
            continue;
        to[source.monitor] = static_cast<long long>(t);
        sources[t] = &snapshots[source.snapshot].monitors[source.monitor];
        oldGrids[t].BuildInside(sources[t]->spacing, sources[t]->workArea);
        grids[t].BuildInside(setup[t].spacing, setup[t].workArea);
    }

    std::vector<CCandidate> candidates;
    std::unordered_map<std::wstring, size_t> byIcon;
    for (size_t s = 0; s < snapshots.size(); ++s) {
        const std::vector<long long>& to = targets[s];
        for (const IconRecord& record : snapshots[s].icons) {
            if (record.Monitor < 0 || static_cast<size_t>(record.Monitor) >= to.size() || to[record.Monitor] < 0)
                continue;
            const std::wstring key = IconKey(record);
            if (key.empty())
                continue;
            auto entry = byIcon.emplace(key, candidates.size());
            if (!entry.second) {
                CCandidate& earlier = candidates[entry.first->second];
                if (snapshots[earlier.snapshot].time >= snapshots[s].time)
                    continue;
                earlier.dropped = true;
                entry.first->second = candidates.size();
            }
            const size_t t = static_cast<size_t>(to[record.Monitor]);
            CCandidate candidate = { &record, s, t, false, false, 0, 0, {}, false, {} };
            Aim(candidate, *sources[t], oldGrids[t], setup[t], grids[t]);
            candidates.push_back(candidate);
        }
    }

    // Every icon whose cell fits keeps it; then the others, in order, take
    // the nearest free cells.
    std::vector<CCandidate*> moved;
    for (CCandidate& candidate : candidates) {
        if (candidate.dropped || !candidate.wanted)
            continue;
        CFreeCellGrid& grid = grids[candidate.target];
        if (candidate.column >= 0 && candidate.column < grid.Columns() && candidate.row >= 0 &&
            candidate.row < grid.Rows() && grid.IsFree(candidate.column, candidate.row)) {
            grid.Take(candidate.column, candidate.row);
            candidate.placed = true;
            candidate.cell = grid.CellPoint(candidate.column, candidate.row);
        } else {
            moved.push_back(&candidate);
        }
    }
    std::vector<CNearestFree> nearest;
    nearest.reserve(grids.size());
    for (CFreeCellGrid& grid : grids)
        nearest.emplace_back(grid);
    for (CCandidate* candidate : moved)
        candidate->placed = nearest[candidate->target].Take(candidate->column, candidate->row, candidate->toward,
                                                            candidate->cell);

    ArrangementFit fit;
    for (const CCandidate& candidate : candidates) {
        if (candidate.dropped)
            continue;
        if (!candidate.placed) {
            ++fit.unplaced;
            continue;
        }
        FittedIcon icon;
        icon.record = *candidate.record;
        icon.record.Monitor = static_cast<int>(candidate.target);
        icon.record.XCoord = static_cast<int>(candidate.cell.x - static_cast<long long>(setup[candidate.target].rect.left));
        icon.record.YCoord = static_cast<int>(candidate.cell.y - static_cast<long long>(setup[candidate.target].rect.top));
        icon.snapshot = candidate.snapshot;
        fit.icons.push_back(icon);
    }
    return fit;
}
