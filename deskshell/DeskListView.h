#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <functional>
#include <vector>
#include "layout/Owners.h"
#include "layout/IconRecord.h"
#include "engine/RestoreAccess.h"

// The desktop list view seen from inside the shell process: every operation
// is one list view message sent to the window. Indices are valid only while
// the desktop does not change, so callers use them at once.
class CDeskListView
{
public:
    explicit CDeskListView(HWND window) : m_window(window) {}
    HWND Window() const { return m_window; }

    int Count() const;
    // Next item after `after` (-1 for the first); -1 when there is none.
    int Next(int after) const;
    // Reads the label into text (set to the empty text first) and the item's
    // parameter; false when the message fails.
    bool ReadItem(int index, wchar_t* text, int capacity, LPARAM* param) const;
    bool ReadPosition(int index, POINT& pt) const;
    // The position travels packed: x in the low 16 bits, y in the high 16.
    bool SetPosition(int index, POINT pt) const;
    // Moves the icon unless it is already at pt; true when it is there after.
    bool PlaceAndVerify(int index, POINT pt, CFirstMoveHook* firstMove = nullptr) const;
    // The whole item, icon and label.
    bool ReadBounds(int index, RECT& rc) const;
    // Width and height of one icon cell.
    SIZE CellSpacing() const;
    // Whole-text search that ignores letter case; start -1 searches from the
    // first item. Returns the index or -1.
    int FindByName(int start, const wchar_t* text) const;
    void Select(int index) const;
    DWORD ExtendedStyle() const;
    void SetExtendedStyle(DWORD mask, DWORD style) const;

private:
    HWND m_window;
};

// Moves desktop icons one at a time. With the shell's folder view, through
// IFolderView::SelectAndPositionItems: since Windows 10 version 1809 the
// desktop keeps its own record of the icon positions, and a position sent to
// the list view alone is lost the next time the desktop is laid out again (a
// refresh, a new icon, signing out). Without a folder view, with list view
// messages.
class CDeskIconMover
{
public:
    CDeskIconMover(const CDeskListView& listView, IFolderView* folderView, CFirstMoveHook firstMove = CFirstMoveHook())
        : m_listView(listView), m_folderView(folderView), m_firstMove(std::move(firstMove))
    {
    }

    // Moves the icon unless it is already at pt; true when it is there
    // after, as the folder view holds it (false: misplaced). child is the
    // icon's ID list when the caller has it; else it comes from the view.
    bool PlaceAndVerify(int index, POINT pt, PCUITEMID_CHILD child = nullptr);

private:
    // The view moves the list view's item together with its own record, so
    // its answer alone says where the icon is.
    bool At(PCUITEMID_CHILD child, POINT pt) const;

    const CDeskListView& m_listView;
    IFolderView* m_folderView;
    CFirstMoveHook m_firstMove;
};

// Buffer of a list view label as the scans and the capture read it.
constexpr int kLabelChars = 260;

// The item's child ID list: from the folder view when there is one (owned by
// `owned`), else the item parameter (owned by the list view). Null when it
// cannot be had.
PCUITEMID_CHILD ItemIdList(IFolderView* folderView, int index, LPARAM param, CItemIdList& owned);

// Indices, ascending, of the icons whose label equals the Name of no record
// still unclaimed, letter case counting. Each record claims the first
// unclaimed icon of its exact Name; unreadable items are not listed. Each
// label read is handed to `read` too, when given.
std::vector<int> ScanUnmatchedIcons(const CDeskListView& listView, const CIconRecordArray& records,
                                    const std::function<void(int index, const wchar_t* label)>& read = nullptr);
