#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "cli/access/DesktopView.h"
#include "engine/RestoreAccess.h"

// The command-line tool's side of the restore: calls on the shell's desktop
// folder view from another process. Candidates are the items of the current
// item list whose display name equals the record's Name, letter case
// ignored as the list view ignores it; the identity text is the parsing name. An item that a non-legacy
// record takes is claimed. Placements are gathered and made with one call at
// the end, one entry per item (the later record wins).
class CFolderViewRestoreAccess : public CRestoreAccess
{
public:
    CFolderViewRestoreAccess(const CDesktopViewPair& pair, const wchar_t* source)
        : m_pair(pair), m_source(source), m_flags(pair.View())
    {
    }

    // The view's folder flags.
    DWORD ReadViewFlags() override { return m_flags.ReadViewFlags(); }
    void SetViewFlags(DWORD mask, DWORD flags) override { m_flags.SetViewFlags(mask, flags); }
    DWORD ArrangeMask() const override { return m_flags.ArrangeMask(); }
    DWORD SnapMask() const override { return m_flags.SnapMask(); }
    bool CellSpacing(SIZE& spacing) override;
    bool ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched) override;
    bool ItemRect(int index, SIZE spacing, RECT& rect) override;
    void MoveItem(int index, POINT cell) override;
    // Reads the current item list; false when the view holds no item.
    bool BeginPlacement() override;
    int NextCandidate(const IconRecord& record, int after) override;
    Identity ReadIdentity(int candidate, CWideString& text) override;
    bool Place(int candidate, POINT pt) override;
    bool ClaimsItems() const override { return true; }
    // Moves the gathered items, reads each back and reports how many reached
    // their targets and how many did not.
    void Finish() override;

    // Number of items the last Finish moved to their targets.
    int Moved() const { return m_moved; }

private:
    struct CurrentItem
    {
        CItemIdList child;
        std::wstring name;
        std::wstring parsingName;
        POINT position;
    };
    struct Move
    {
        int candidate;
        POINT target;
        bool active;
    };

    const CDesktopViewPair& m_pair;
    const wchar_t* m_source;
    CFolderFlagSwitch m_flags;
    // An unmatched item read by ItemRect, kept for the MoveItem that follows.
    CItemIdList m_aside;
    int m_asideIndex = -1;
    std::vector<CurrentItem> m_items;
    // Items by the key of their display name (ShellNameKey), ascending.
    std::unordered_map<std::string, std::vector<int>> m_byName;
    std::vector<Move> m_moves;
    std::unordered_map<int, size_t> m_moveOf;
    int m_moved = 0;
};
