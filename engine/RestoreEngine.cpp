#include "engine/RestoreEngine.h"
#include <unordered_map>
#include <unordered_set>
#include "engine/FreeCellGrid.h"
#include "engine/NameMatch.h"
#include "engine/ViewFlags.h"

namespace {

// Cells under the records' saved rectangles are never offered to an
// unmatched icon, whether or not the record's icon is on the desktop now.
void ReserveSavedCells(CFreeCellGrid& grid, const CIconRecordArray& records, SIZE spacing)
{
    for (const IconRecord& record : records) {
        const long long x = record.XCoord;
        const long long y = record.YCoord;
        grid.RemoveUnder(x, y, x + spacing.cx, y + spacing.cy);
    }
}

// Each unmatched icon keeps a free cell it already covers, or takes the
// first free cell; once the cells run out the rest stay where they are.
void MoveUnmatchedAside(CRestoreAccess& access, CFreeCellGrid& grid, const std::vector<int>& unmatched, SIZE spacing)
{
    for (int index : unmatched) {
        if (grid.Empty())
            return;
        RECT rect;
        if (!access.ItemRect(index, spacing, rect))
            continue;
        if (grid.RemoveUnder(rect.left, rect.top, rect.right, rect.bottom))
            continue;
        POINT cell;
        if (grid.TakeFirst(cell))
            access.MoveItem(index, cell);
    }
}

// One pass over the layout: each record finds its icon among the icons of
// its name and puts it at the saved position.
class CPlacementPass
{
public:
    CPlacementPass(CRestoreAccess& access, std::unordered_map<int, bool>& placed, int& misplaced)
        : m_access(access), m_placed(placed), m_misplaced(misplaced), m_claims(access.ClaimsItems())
    {
    }

    void Place(const IconRecord& record)
    {
        int previous = -1;
        for (int candidate = m_access.NextCandidate(record, -1); candidate > previous;
             previous = candidate, candidate = m_access.NextCandidate(record, candidate)) {
            if (m_claims && m_claimed.count(candidate))
                continue;
            if (record.Legacy) {
                PlaceAt(candidate, record);
                return;
            }
            CWideString identity;
            switch (m_access.ReadIdentity(candidate, identity)) {
            case CRestoreAccess::Identity::NoIdList:
                // Every icon of this name that cannot be identified lands here.
                PlaceAt(candidate, record);
                continue;
            case CRestoreAccess::Identity::Unreadable:
                continue;
            case CRestoreAccess::Identity::Text:
                break;
            }
            if (record.Path.IsAbsent() || !ShellPathsEqual(identity.c_str(), record.Path.c_str()))
                continue;
            PlaceAt(candidate, record);
            if (m_claims)
                m_claimed.insert(candidate);
            return;
        }
    }

private:
    void PlaceAt(int candidate, const IconRecord& record)
    {
        const bool there = m_access.Place(candidate, { record.XCoord, record.YCoord });
        auto entry = m_placed.emplace(candidate, there);
        if (entry.second) {
            if (!there)
                ++m_misplaced;
            return;
        }
        if (entry.first->second != there) {
            m_misplaced += there ? -1 : 1;
            entry.first->second = there;
        }
    }

    CRestoreAccess& m_access;
    std::unordered_map<int, bool>& m_placed;
    int& m_misplaced;
    const bool m_claims;
    std::unordered_set<int> m_claimed;
};

} // namespace

bool RunRestore(CRestoreAccess& access, const CIconRecordArray& records, const RECT& workArea, bool viewFlags,
                RestoreOutcome* outcome)
{
    if (outcome)
        *outcome = RestoreOutcome();
    CArrangeSuspension suspension(access, viewFlags);

    SIZE spacing = {};
    if (!access.CellSpacing(spacing))
        return false;
    CFreeCellGrid grid;
    grid.Build(spacing, workArea);
    ReserveSavedCells(grid, records, spacing);

    std::vector<int> unmatched;
    if (access.ScanUnmatched(records, unmatched)) {
        if (!access.CellSpacing(spacing))
            return false;
        MoveUnmatchedAside(access, grid, unmatched, spacing);
    }

    if (!access.BeginPlacement())
        return false;

    // Whether the last placement of each icon read back at its target.
    std::unordered_map<int, bool> placed;
    int misplaced = 0;
    int pass = 0;
    bool done = false;
    while (!done && pass < kMaxPasses) {
        CPlacementPass placement(access, placed, misplaced);
        for (const IconRecord& record : records)
            placement.Place(record);
        done = misplaced == 0;
        ++pass;
    }
    if (outcome) {
        outcome->passes = pass;
        outcome->misplaced = misplaced;
    }

    access.Finish();
    return true;
}
