#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>
#include "shellview/FolderView.h"
#include "engine/RestoreAccess.h"

// The restore from another process (the command-line tool, the watcher):
// calls on the shell's desktop folder view, where every call is a round trip. The
// desktop items are read once, by the unmatched item scan, and that list
// serves the moves out of the way and the placement too. Candidates are the
// items whose display name equals the record's Name, letter case ignored as
// the list view ignores it; the identity text is the parsing name. An item
// that a non-legacy record takes is claimed. Placements are gathered and made
// with one call at the end, one entry per item (the later record wins).
// What the one move at the end of a restore did.
struct FolderViewMoves
{
    int requested = 0; // icons that were not at their targets
    int moved = 0;     // of those, the icons that read back at their targets
    HRESULT status = S_OK;
    int byFileName = 0; // icons matched by file name alone (the Desktop folder has moved)
    bool displayChanged = false; // the display configuration changed before the move: nothing moved
    HRESULT readStatus = S_OK; // a position of the desktop items that could not be read: nothing moved
};

// Called with the desktop items as the restore read them, just before it
// first moves an icon (the undo layout is kept from them); never when it moves
// none.
using ItemsReadHook = std::function<void(const std::vector<CDesktopItem>&)>;
// Asked just before the first icon moves and again just before the one
// batched move: false when the display configuration on screen is no longer
// the one the restore is for. From then on nothing moves.
using DisplayCheck = std::function<bool()>;

class CFolderViewRestoreAccess : public CRestoreAccess
{
public:
    explicit CFolderViewRestoreAccess(const CDesktopViewPair& pair, ItemsReadHook beforeMoves = ItemsReadHook(),
                                      DisplayCheck sameDisplay = DisplayCheck());

    // The view's folder flags.
    DWORD ReadViewFlags() override { return m_flags.ReadViewFlags(); }
    void SetViewFlags(DWORD mask, DWORD flags) override { m_flags.SetViewFlags(mask, flags); }
    DWORD ArrangeMask() const override { return m_flags.ArrangeMask(); }
    DWORD SnapMask() const override { return m_flags.SnapMask(); }
    bool CellSpacing(SIZE& spacing) override;
    bool ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched) override;
    bool ItemRect(int index, SIZE spacing, RECT& rect) override;
    void MoveItem(int index, POINT cell) override;
    // Uses the item list of the scan (reads it when the scan could not);
    // false when the view holds no item.
    bool BeginPlacement() override;
    int NextCandidate(const IconRecord& record, int after) override;
    Identity ReadIdentity(int candidate, CWideString& text) override;
    bool Place(int candidate, POINT pt) override;
    bool ClaimsItems() const override { return true; }
    // Moves the gathered items and reads each back.
    void Finish() override;
    const FolderViewMoves& Moves() const { return m_result; }
    // S_OK, or why the desktop items could not be read.
    HRESULT ReadStatus() const { return m_readStatus; }

private:
    struct Move
    {
        int candidate;
        POINT target;
        bool active;
    };

    bool ReadItems();
    // False once the display check failed; batch asks it again.
    bool MayMove(bool batch);

    const CDesktopViewPair& m_pair;
    FolderViewMoves m_result;
    CFolderFlagSwitch m_flags;
    CFirstMoveHook m_firstMove;
    DisplayCheck m_sameDisplay;
    bool m_displayChecked = false;
    bool m_displayChanged = false;
    // The desktop items in view order, read once; an item moved out of the
    // way is marked, and its position read again when a record takes it.
    std::vector<CDesktopItem> m_items;
    std::vector<bool> m_movedAside;
    bool m_read = false;
    HRESULT m_readStatus = S_OK;
    int m_count = 0;
    // Items by the key of their display name (ShellNameKey), ascending.
    std::unordered_map<std::string, std::vector<int>> m_byName;
    std::vector<Move> m_moves;
    std::unordered_map<int, size_t> m_moveOf;
};

// Runs the restore engine on records through the view pair, inside the work
// area of display, which the caller has captured (with the icon size) as the
// configuration the records are for. Just before icons move, the full layout
// name on screen is built again (same display source, icon size from the
// view): when it differs, nothing moves and moves.displayChanged is set.
// False when the view holds nothing to restore or cannot be read
// (moves.readStatus then says why when a position could not be read).
bool RestoreThroughFolderView(const CDesktopViewPair& pair, const CIconRecordArray& records,
                              const CDisplayConfig& display, const CLayoutFlavor& flavor, bool viewFlags,
                              FolderViewMoves& moves, ItemsReadHook beforeMoves = ItemsReadHook());
