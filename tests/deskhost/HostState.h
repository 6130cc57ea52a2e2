#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <map>
#include <unordered_map>
#include <vector>
#include "DeskHost.h"
#include "layout/Owners.h"

class CHostShellWindows;
class CHostBrowser;
class CHostView;
class CHostFolder;
class CHostClassFactory;

// The state of a running host, shared by the host's COM objects. Every
// object holds a pointer to it that Stop clears, so a reference that a test
// keeps past Stop fails its calls instead of touching freed windows.
class CDeskHostImpl
{
public:
    DeskHostOptions options;
    DeskHostFaults faults;
    DeskHostCounters counters;

    HWND progman = nullptr;
    HWND viewParent = nullptr;
    HWND defView = nullptr;
    HWND listView = nullptr;
    std::wstring desktopDir;
    int iconSize = 48;
    // The view's folder flags; FWF_AUTOARRANGE and FWF_SNAPTOGRID are the
    // desktop's "Auto arrange icons" and "Align icons to grid".
    DWORD folderFlags = FWF_DESKTOP | FWF_NOCLIENTEDGE | FWF_NOSCROLL;

    // The view's own record of the icon positions, by the item's ID list
    // (the list view item parameter), and the record as SaveViewState last
    // saved it. Used with options.positionRecord (see DeskHostOptions).
    std::unordered_map<LPCITEMIDLIST, POINT> record;
    std::unordered_map<LPCITEMIDLIST, POINT> savedState;
    // The saved record by the screen size it was saved at.
    std::map<std::pair<LONG, LONG>, std::unordered_map<LPCITEMIDLIST, POINT>> savedBySize;

    CComRef<IShellFolder> desktop;      // the real desktop folder
    CHostShellWindows* shellWindows = nullptr;
    CHostBrowser* browser = nullptr;
    CHostView* view = nullptr;
    CHostFolder* folder = nullptr;
    CHostClassFactory* factory = nullptr;
    DWORD classCookie = 0;
    HANDLE publication = nullptr;        // the section of kDeskHostPublication
    IStream* marshalStream = nullptr;    // the marshaled data, to release it
    bool marshaled = false;
    bool comInitialized = false;

    // Files and directories the host made, removed by Stop.
    struct Created { std::wstring path; bool directory; };
    std::vector<Created> created;

    // Positions and other messages the host sends itself are not counted.
    int internalDepth = 0;
    // A raw move puts an icon exactly where asked, whatever the view's flags.
    bool rawMove = false;
    LRESULT SendInternal(UINT message, WPARAM wParam, LPARAM lParam);

    // Items of the list view; the parameter of each is its child ID list
    // (owned by the host).
    int Count() const;
    LPCITEMIDLIST ItemIdList(int index) const;
    // A copy of the item's ID list as the view hands it out (Item, Items);
    // null when there is no such item.
    PITEMID_CHILD HandOut(int index) const;
    // Index of the item whose ID list equals the given one, or -1.
    int FindItem(LPCITEMIDLIST child) const;
    // Item index by ID list bytes (the lowest index of equal lists), so that
    // every call on a large desktop does not walk the whole list view.
    // Emptied whenever the host inserts or deletes items.
    mutable std::unordered_map<std::string, int> indexByBytes;
    // Where the list view shows the item.
    POINT Position(int index) const;
    // Where the view's record has it (the list view without the record).
    POINT RecordedPosition(int index) const;
    // Moves an item as the shell view does (snapping, arranging): the record
    // and the list view.
    void ViewMove(int index, POINT pos);
    // Puts an item exactly at a position, in the list view and the record.
    bool PlaceItem(int index, POINT pos);
    // The list view alone, exactly at a position.
    bool PlaceInListView(int index, POINT pos);
    // Arranges every icon in the list view's order and records where it went.
    void Arrange();
    // What a refresh does: every icon goes back to its recorded position, or
    // into the arrangement with auto-arrange on.
    void LayOutAgain();
    void SaveViewState();
    // Explorer's reaction to a display change (see the definitions).
    void DisplayChanged();
    void LayOutForDisplay();
    // Drops the record of an item that leaves the list view.
    void Forget(LPCITEMIDLIST own);
    // Lets the list view compute its item metrics (see the definition).
    void SettleMetrics();
    std::wstring NameOf(LPCITEMIDLIST child, SHGDNF flags) const;

    bool SnapToGrid() const;
    bool AutoArrange() const;
    void SetFolderFlags(DWORD mask, DWORD flags);

    // Creates the icon's file when needed and finds its child ID list in the
    // desktop folder's enumeration; null when it is not there.
    bool PrepareFile(const DeskIcon& icon);
    LPITEMIDLIST FindChild(const std::wstring& name) const;
    int InsertItem(int at, LPCITEMIDLIST child, POINT pos);
    std::wstring ParsingNameFor(const std::wstring& name) const;

    // Publishes the shell windows object for other processes, and withdraws it.
    HRESULT Publish();
    void Unpublish();
};
