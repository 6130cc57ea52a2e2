#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "DeskHost.h"
#include "HostRef.h"

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
    DWORD otherFolderFlags = FWF_DESKTOP | FWF_NOCLIENTEDGE | FWF_NOSCROLL;

    CHostRef<IShellFolder> desktop;      // the real desktop folder
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
    // Index of the item whose ID list equals the given one, or -1.
    int FindItem(LPCITEMIDLIST child) const;
    // Item index by ID list bytes (the lowest index of equal lists), so that
    // every call on a large desktop does not walk the whole list view.
    // Emptied whenever the host inserts or deletes items.
    mutable std::unordered_map<std::string, int> indexByBytes;
    POINT Position(int index) const;
    // Moves an item as the shell view does (snapping, arranging).
    bool MoveItem(int index, POINT pos);
    // Puts an item exactly at a position.
    bool PlaceItem(int index, POINT pos);
    // Lets the list view compute its item metrics (see the definition).
    void SettleMetrics();
    std::wstring NameOf(LPCITEMIDLIST child, SHGDNF flags) const;

    bool SnapToGrid() const;
    bool AutoArrange() const;
    void SetSnapToGrid(bool on);
    void SetAutoArrange(bool on);

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
