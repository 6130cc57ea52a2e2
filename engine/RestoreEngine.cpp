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

// One pass over the layout in two rounds. First each record finds its icon
// among the icons of its name by its Path and puts it at the saved position.
// Then each record that found none tries the icons of its name that no record
// took by the file name alone: when the Desktop folder moves (to OneDrive, to
// another profile or PC) every parsing name of a desktop file changes, the
// name of the file in its folder does not.
class CPlacementPass
{
public:
    CPlacementPass(CRestoreAccess& access, std::unordered_map<int, bool>& placed, int& misplaced)
        : m_access(access), m_placed(placed), m_misplaced(misplaced), m_claims(access.ClaimsItems())
    {
    }

    // The exact round; false when the record found no icon by its Path.
    bool Place(const IconRecord& record)
    {
        for (int candidate = NextAfter(record, -1); candidate >= 0; candidate = NextAfter(record, candidate)) {
            if (m_claims && m_claimed.count(candidate))
                continue;
            if (record.Legacy) {
                PlaceAt(candidate, record);
                return true;
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
            return true;
        }
        return false;
    }

    // The second round, once every record has had its exact round: legacy
    // records and class identifier paths take no part, and each icon goes to
    // one record at most.
    void PlaceByFileName(const IconRecord& record)
    {
        const wchar_t* fileName = ParsingFileName(record.Path.c_str());
        if (record.Legacy || !fileName)
            return;
        for (int candidate = NextAfter(record, -1); candidate >= 0; candidate = NextAfter(record, candidate)) {
            CWideString identity;
            if (m_taken.count(candidate) || m_access.ReadIdentity(candidate, identity) != CRestoreAccess::Identity::Text)
                continue;
            const wchar_t* candidateName = ParsingFileName(identity.c_str());
            if (!candidateName || !ShellPathsEqual(candidateName, fileName))
                continue;
            PlaceAt(candidate, record);
            ++m_byFileName;
            return;
        }
    }

    int ByFileName() const { return m_byFileName; }

private:
    // The candidates of the record's name in ascending order; -1 after the last.
    int NextAfter(const IconRecord& record, int after)
    {
        const int next = m_access.NextCandidate(record, after);
        return next > after ? next : -1;
    }

    void PlaceAt(int candidate, const IconRecord& record)
    {
        m_taken.insert(candidate);
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
    // Every icon placed in this pass, by either round.
    std::unordered_set<int> m_taken;
    int m_byFileName = 0;
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
    int byFileName = 0;
    bool done = false;
    std::vector<const IconRecord*> unfound;
    while (!done && pass < kMaxPasses) {
        CPlacementPass placement(access, placed, misplaced);
        unfound.clear();
        for (const IconRecord& record : records) {
            if (!placement.Place(record))
                unfound.push_back(&record);
        }
        for (const IconRecord* record : unfound)
            placement.PlaceByFileName(*record);
        byFileName = placement.ByFileName();
        done = misplaced == 0;
        ++pass;
    }
    if (outcome) {
        outcome->passes = pass;
        outcome->misplaced = misplaced;
        outcome->byFileName = byFileName;
    }

    access.Finish();
    return true;
}
