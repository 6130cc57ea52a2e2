#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <memory>
#include <vector>
#include "layout/Owners.h"
#include "engine/DesktopWindow.h"
#include "layout/DisplayConfig.h"
#include "layout/Capture.h"
#include "layout/IconRecord.h"

// The shell's view of the desktop as a program reaches it from its own
// process (the command-line tool and the watcher). Every call on these interfaces is carried out by the shell in
// its own process, and the desktop may change between two calls.

// The interface riid of the shell view that shows the desktop, reached
// through the running shell's shell windows object. Fails with the status of
// the step that failed; E_FAIL when no desktop window is registered.
HRESULT OpenDesktopViewInterface(REFIID riid, void** result);

// The desktop folder view and the desktop folder that it shows, with this
// process's own desktop folder, which names the view's items without a call
// into the shell.
class CDesktopViewPair
{
public:
    CDesktopViewPair() = default;
    CDesktopViewPair(const CDesktopViewPair&) = delete;
    CDesktopViewPair& operator=(const CDesktopViewPair&) = delete;

    // Opens both; false when either cannot be had.
    bool Open();
    void Release();
    IFolderView2* View() const { return m_view.Get(); }
    IShellFolder* Folder() const { return m_folder.Get(); }
    // SHGetDesktopFolder of this process; null when it failed.
    IShellFolder* OwnFolder() const { return m_ownFolder.Get(); }

private:
    CComRef<IFolderView2> m_view;
    CComRef<IShellFolder> m_folder;
    CComRef<IShellFolder> m_ownFolder;
};

// Updates the icon size of display from the view; with a null view, opens
// one for the probe alone.
void ProbeIconSize(CDisplayConfig& display, IFolderView2* view);
// Probes the icon size through view (none: display's stays), captures
// display and returns the full layout name of the configuration on screen;
// display keeps the capture.
CWideString OnScreenLayoutName(CDisplayConfig& display, const CLayoutFlavor& flavor, IFolderView2* view);

// One desktop item as read through the view.
struct CDesktopItem
{
    int index = -1;
    CItemIdList child;
    wchar_t name[260];        // SHGDN_NORMAL
    wchar_t parsingName[260]; // SHGDN_FORPARSING
    POINT position = {};
};

// Number of items in the view (SVGIO_ALLVIEW).
HRESULT DesktopItemCount(const CDesktopViewPair& pair, int& count);
// Reads the item at index, with its position when withPosition is set. False
// when the item, either of its names or its position cannot be read (the
// desktop changed since the count was read): such an item is left out.
bool ReadDesktopItem(const CDesktopViewPair& pair, int index, bool withPosition, CDesktopItem& item);

// Walks the items of the view in view order. Every call on the view crosses
// into the shell's process, so the ID lists come from the view's item
// enumerator (IFolderView::Items), many with one call; a view without one is
// read with one Item call per index. The names come from this process's own
// desktop folder, so each item then costs one call, its position
// (withPosition). Items whose names cannot be read are left out; a position
// that cannot be read ends the walk (Status), since a layout without it
// would be a worse one.
class CDesktopItemWalk
{
public:
    CDesktopItemWalk(const CDesktopViewPair& pair, bool withPosition) : m_pair(pair), m_withPosition(withPosition) {}
    ~CDesktopItemWalk();
    CDesktopItemWalk(const CDesktopItemWalk&) = delete;
    CDesktopItemWalk& operator=(const CDesktopItemWalk&) = delete;

    // Reads the item count; false when the view cannot count its items.
    bool Start();
    int Count() const { return m_count; }
    // The next item read whole; false after the last.
    bool Next(CDesktopItem& item);
    // S_OK, or the failure of the position read that ended the walk.
    HRESULT Status() const { return m_status; }

private:
    bool NextChild(CDesktopItem& item);
    void FreeChunk();

    static constexpr ULONG kChunk = 256;
    const CDesktopViewPair& m_pair;
    const bool m_withPosition;
    int m_count = 0;
    int m_ordinal = 0;
    bool m_enumerated = false;
    CComRef<IEnumIDList> m_enum;
    PITEMID_CHILD m_chunk[kChunk] = {};
    ULONG m_fetched = 0;
    ULONG m_taken = 0;
    bool m_enumDone = false;
    HRESULT m_status = S_OK;
};

// Every item of the view read whole, in view order; count gets the view's
// item count. False when the view cannot count its items or a position
// cannot be read (status gets why, items are then incomplete).
bool ReadDesktopItems(const CDesktopViewPair& pair, bool withPosition, std::vector<CDesktopItem>& items, int* count,
                      HRESULT* status = nullptr);

// Positions in items, ascending, of the items whose display name and parsing
// name equal the Name and Path of no record still unclaimed, letter case
// counting, and that no record left unclaimed takes by its Name and file name
// (the Desktop folder has moved).
std::vector<int> FindUnmatchedItems(const std::vector<CDesktopItem>& items, const CIconRecordArray& records);

// Width and height of one icon cell.
bool ReadCellSpacing(IFolderView2* view, SIZE& spacing);
// Moves the items with one call (SVSI_POSITIONITEM).
HRESULT PositionItems(IFolderView2* view, UINT count, PCUITEMID_CHILD* children, const POINT* points);
