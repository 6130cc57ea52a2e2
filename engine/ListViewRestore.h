#pragma once
#include <windows.h>
#include "engine/DeskContext.h"
#include "engine/DeskListView.h"
#include "engine/DeskViewObjects.h"
#include "engine/RestoreAccess.h"

// The shell extension's side of the restore: list view messages inside the
// shell process. Candidates come from the list view's own whole-text search;
// an icon is identified by its parsing name (current-format layouts) or by
// its file name, else its class identifier text (older formats). Nothing is
// claimed: every record searches from the first icon, and each placement is
// read back. Icons move through the shell's folder view when there is one
// (CDeskIconMover). The view flags are the list view's extended styles; the
// folder view's own flags are switched by the caller (RestoreLayoutInShell).
class CListViewRestoreAccess : public CRestoreAccess
{
public:
    CListViewRestoreAccess(CDeskContext& context, const CDeskListView& listView, const CDeskViewObjects& objects)
        : m_context(context), m_listView(listView), m_objects(objects), m_mover(listView, objects.FolderView())
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
    bool BeginPlacement() override { return true; }
    int NextCandidate(const IconRecord& record, int after) override;
    Identity ReadIdentity(int candidate, CWideString& text) override;
    bool Place(int candidate, POINT pt) override;
    bool ClaimsItems() const override { return false; }
    // Force Visible, then the shell view saves its state.
    void Finish() override;

private:
    CDeskContext& m_context;
    const CDeskListView& m_listView;
    const CDeskViewObjects& m_objects;
    CDeskIconMover m_mover;
};

// Restores a layout: selector 0 reads the store (source = layout name),
// 1 a layout file (source = path); any other selector returns 0 at once.
// The caller has captured the display configuration. Returns 1 when the
// layout was read and placed, 0 otherwise.
int RestoreLayoutInShell(CDeskContext& context, HWND listView, const wchar_t* source, int selector);
// Places records that the caller has read (source names them in messages),
// after keeping the current positions as the undo layout. Returns 1 when
// placed, 0 when the desktop view objects could not be opened.
int RestoreRecordsInShell(CDeskContext& context, HWND listView, const CIconRecordArray& records, const wchar_t* source);
