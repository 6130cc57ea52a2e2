#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "deskshell/DeskContext.h"
#include "deskshell/DeskListView.h"
#include "deskshell/DeskViewObjects.h"
#include "engine/RestoreAccess.h"

// The shell extension's side of the restore: list view messages inside the
// shell process. Candidates are the icons whose label equals the record's
// Name as the list view's own whole-text search compares them
// (ShellNamesEqual), found through an index of the labels instead of one
// search from the first icon per record; an icon is identified by its parsing
// name (current-format layouts) or by its file name, else its class
// identifier text (older formats). Nothing is claimed: every record searches from the first icon,
// and each placement is read back. Icons move through the shell's folder view
// when there is one (CDeskIconMover), with the ID list that identified them.
// The view flags are the list view's extended styles; the folder view's own
// flags are switched by the caller (RestoreLayoutInShell).
class CListViewRestoreAccess : public CRestoreAccess
{
public:
    // firstMove runs just before the first icon moves, if one does.
    CListViewRestoreAccess(CDeskContext& context, const CDeskListView& listView, const CDeskViewObjects& objects,
                           CFirstMoveHook firstMove = CFirstMoveHook())
        : m_context(context), m_listView(listView), m_objects(objects),
          m_mover(listView, objects.FolderView(), std::move(firstMove))
    {
    }

    DWORD ReadViewFlags() override;
    void SetViewFlags(DWORD mask, DWORD flags) override;
    DWORD ArrangeMask() const override;
    DWORD SnapMask() const override;
    bool CellSpacing(SIZE& spacing) override;
    bool ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched) override;
    bool ItemRect(int index, SIZE spacing, RECT& rect) override;
    void MoveItem(int index, POINT cell) override;
    // Indexes the labels, unless the unmatched scan has.
    bool BeginPlacement() override;
    int NextCandidate(const IconRecord& record, int after) override;
    Identity ReadIdentity(int candidate, CWideString& text) override;
    bool Place(int candidate, POINT pt) override;
    bool ClaimsItems() const override { return false; }
    // Force Visible, then the shell view saves its state.
    void Finish() override;

private:
    void StartIndex();
    void AddToIndex(int index, const wchar_t* label);
    void IndexLabels();
    // Reads the candidate's label and parameter; false when it cannot be
    // read or no longer carries the name (the desktop changed).
    bool ReadCandidate(int index, const wchar_t* name);
    // The candidate's ID list, obtained once for its identity and its move.
    PCUITEMID_CHILD CandidateIdList(int index, LPARAM param);

    CDeskContext& m_context;
    const CDeskListView& m_listView;
    const CDeskViewObjects& m_objects;
    CDeskIconMover m_mover;
    // Icons by the key of their label (ShellNameKey), ascending, as the list
    // view held them when indexed; made again when a candidate's label shows
    // that the desktop changed, or a search runs out while the item count
    // differs.
    std::unordered_map<std::string, std::vector<int>> m_byName;
    bool m_indexed = false;
    int m_indexedCount = 0;
    const IconRecord* m_searched = nullptr;
    std::string m_searchKey;
    int m_read = -1;
    LPARAM m_readParam = 0;
    int m_childOf = -1;
    PCUITEMID_CHILD m_child = nullptr;
    CItemIdList m_ownedChild;
};

// Restores a layout: selector 0 reads the store (source = layout name),
// 1 a layout file (source = path); any other selector returns 0 at once.
// The caller has captured the display configuration. Returns 1 when the
// layout was read and placed, 0 otherwise.
int RestoreLayoutInShell(CDeskContext& context, HWND listView, const wchar_t* source, int selector);
// Places records that the caller has read (source names them in messages),
// keeping the current positions as the undo layout just before the first icon
// moves. Returns 1 when placed, 0 when the desktop view objects could not be
// opened.
int RestoreRecordsInShell(CDeskContext& context, HWND listView, const CIconRecordArray& records, const wchar_t* source);
