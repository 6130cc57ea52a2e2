#include "DeskHost.h"
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <set>
#include "HostObjects.h"


namespace {

const wchar_t kProgmanClass[] = L"Progman";
const wchar_t kWorkerClass[] = L"WorkerW";
const wchar_t kDefViewClass[] = L"SHELLDLL_DefView";
const UINT_PTR kSubclassId = 1;
const UINT_PTR kDisplayTimer = 1;
// How long after WM_DISPLAYCHANGE the desktop is laid out again.
const UINT kDisplayLayoutDelayMs = 700;

CDeskHostImpl* g_running = nullptr;

UINT LayOutAgainMessage()
{
    static const UINT message = RegisterWindowMessageW(kDeskHostLayOutAgain);
    return message;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const UINT layOutAgain = LayOutAgainMessage();
    if (layOutAgain && message == layOutAgain) {
        if (g_running)
            g_running->LayOutAgain();
        return 1;
    }
    switch (message) {
    case WM_DISPLAYCHANGE:
        if (g_running)
            g_running->DisplayChanged();
        return 0;
    case WM_TIMER:
        if (wParam == kDisplayTimer && g_running) {
            KillTimer(hwnd, kDisplayTimer);
            g_running->LayOutForDisplay();
        }
        return 0;
    case WM_CLOSE:
        // Closing the desktop ends the host program's message loop; the
        // windows themselves go when the host stops.
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        if (HWND child = GetWindow(hwnd, GW_CHILD))
            MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

bool RegisterHostClasses()
{
    static bool registered = false;
    if (registered)
        return true;
    const wchar_t* const names[] = { kProgmanClass, kWorkerClass, kDefViewClass };
    for (const wchar_t* name : names) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HostWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
        wc.lpszClassName = name;
        if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    registered = true;
    return true;
}

// Windows' list view snaps an icon that is moved with snap-to-grid on to the
// nearest cell, and puts it back into the arrangement when auto-arrange is on.
// Wine's list view (comctl32 of Wine 8) does neither: the icon stays where it
// was put. The host does both so that code that forgets to switch them off
// fails here as it would on Windows. The cells are the icon spacing from the
// list view's origin.
POINT SnapToCell(HWND listView, POINT pos)
{
    const DWORD spacing = static_cast<DWORD>(SendMessageW(listView, LVM_GETITEMSPACING, FALSE, 0));
    const LONG cx = LOWORD(spacing);
    const LONG cy = HIWORD(spacing);
    auto nearest = [](LONG value, LONG cell) {
        if (cell <= 0)
            return value;
        const LONG half = cell / 2;
        return value >= 0 ? ((value + half) / cell) * cell : -(((-value + half) / cell) * cell);
    };
    return POINT{ nearest(pos.x, cx), nearest(pos.y, cy) };
}

// Counts the position messages that reach the list view from outside the host
// and makes them behave as on Windows (above). The list view's own styles
// decide here; the view keeps them in step with its folder flags. A position
// set this way moves the list view item alone: the view's record of positions
// does not hear of it (see CDeskHostImpl::RecordedPosition).
LRESULT CALLBACK ListViewSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data)
{
    CDeskHostImpl* host = reinterpret_cast<CDeskHostImpl*>(data);
    switch (message) {
    case LVM_SETITEMPOSITION:
    case LVM_SETITEMPOSITION32: {
        if (!host->internalDepth)
            ++(message == LVM_SETITEMPOSITION ? host->counters.setItemPosition : host->counters.setItemPosition32);
        if (host->rawMove)
            break;
        POINT pos;
        if (message == LVM_SETITEMPOSITION) {
            pos.x = static_cast<short>(LOWORD(lParam));
            pos.y = static_cast<short>(HIWORD(lParam));
        } else {
            if (!lParam)
                break;
            pos = *reinterpret_cast<const POINT*>(lParam);
        }
        if (SendMessageW(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_SNAPTOGRID)
            pos = SnapToCell(hwnd, pos);
        LRESULT result;
        if (message == LVM_SETITEMPOSITION)
            result = DefSubclassProc(hwnd, message, wParam, MAKELPARAM(pos.x, pos.y));
        else
            result = DefSubclassProc(hwnd, message, wParam, reinterpret_cast<LPARAM>(&pos));
        if (result && (GetWindowLongPtrW(hwnd, GWL_STYLE) & LVS_AUTOARRANGE))
            DefSubclassProc(hwnd, LVM_ARRANGE, LVA_DEFAULT, 0);
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, ListViewSubclassProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

HWND MakeTopLevel(const wchar_t* className, const wchar_t* title, const RECT& rect)
{
    return CreateWindowExW(WS_EX_TOOLWINDOW, className, title, WS_POPUP | WS_CLIPCHILDREN, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

HWND MakeChild(HWND parent, const wchar_t* className, DWORD style, const RECT& rect)
{
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | style, 0, 0,
                           rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

// ---------------------------------------------------------------------------
// Host state

LRESULT CDeskHostImpl::SendInternal(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == LVM_INSERTITEMW || message == LVM_DELETEITEM || message == LVM_DELETEALLITEMS)
        indexByBytes.clear();
    ++internalDepth;
    const LRESULT result = SendMessageW(listView, message, wParam, lParam);
    --internalDepth;
    return result;
}

int CDeskHostImpl::Count() const
{
    return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
}

LPCITEMIDLIST CDeskHostImpl::ItemIdList(int index) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<LPCITEMIDLIST>(item.lParam);
}

PITEMID_CHILD CDeskHostImpl::HandOut(int index) const
{
    LPCITEMIDLIST own = ItemIdList(index);
    if (!own)
        return nullptr;
    if (index == faults.failDisplayNameAt)
        return static_cast<PITEMID_CHILD>(ILCombine(own, own));
    return static_cast<PITEMID_CHILD>(ILClone(own));
}

int CDeskHostImpl::FindItem(LPCITEMIDLIST child) const
{
    if (!child)
        return -1;
    const int count = Count();
    // Identical bytes first: the usual case.
    if (indexByBytes.empty()) {
        for (int i = 0; i < count; ++i) {
            LPCITEMIDLIST own = ItemIdList(i);
            if (own)
                indexByBytes.emplace(std::string(reinterpret_cast<const char*>(own), ILGetSize(own)), i);
        }
    }
    const auto hit = indexByBytes.find(std::string(reinterpret_cast<const char*>(child), ILGetSize(child)));
    if (hit != indexByBytes.end())
        return hit->second;
    for (int i = 0; i < count; ++i) {
        LPCITEMIDLIST own = ItemIdList(i);
        if (!own)
            continue;
        const HRESULT hr = desktop->CompareIDs(0, own, child);
        if (SUCCEEDED(hr) && HRESULT_CODE(hr) == 0)
            return i;
    }
    return -1;
}

POINT CDeskHostImpl::Position(int index) const
{
    POINT pos = { 0, 0 };
    SendMessageW(listView, LVM_GETITEMPOSITION, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&pos));
    return pos;
}

// Since Windows 10 version 1809 the desktop's icon management code keeps its
// own record of the icon positions. A position sent straight to the desktop
// list view with LVM_SETITEMPOSITION moves the icon on screen, but the record
// does not take it into account, and the change is lost the next time the
// view is laid out again (a refresh, a new icon, signing out); the supported
// way is IFolderView::SelectAndPositionItems, which updates the record.
// (Microsoft's shell team, "A reminder about the correct way of accessing and
// manipulating the position of icons on the desktop", The Old New Thing,
// 22 November 2021.) The host's view keeps that record by item; its
// GetItemPosition answers from it and SaveViewState saves it.
POINT CDeskHostImpl::RecordedPosition(int index) const
{
    if (!options.positionRecord)
        return Position(index);
    const auto found = record.find(ItemIdList(index));
    return found != record.end() ? found->second : Position(index);
}

bool CDeskHostImpl::PlaceInListView(int index, POINT pos)
{
    rawMove = true;
    const bool moved =
        SendInternal(LVM_SETITEMPOSITION32, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&pos)) != 0;
    rawMove = false;
    return moved;
}

bool CDeskHostImpl::PlaceItem(int index, POINT pos)
{
    if (!PlaceInListView(index, pos))
        return false;
    if (options.positionRecord) {
        if (LPCITEMIDLIST own = ItemIdList(index))
            record[own] = pos;
    }
    return true;
}

void CDeskHostImpl::ViewMove(int index, POINT pos)
{
    // "Align icons to grid" (FWF_SNAPTOGRID) puts a moved icon on the nearest
    // cell; "Auto arrange icons" (FWF_AUTOARRANGE) puts it straight back into
    // the arrangement, so that no position set through the view sticks.
    if (folderFlags & FWF_SNAPTOGRID)
        pos = SnapToCell(listView, pos);
    PlaceItem(index, pos);
    if (folderFlags & FWF_AUTOARRANGE)
        Arrange();
}

void CDeskHostImpl::Arrange()
{
    // The host's grid order is the list view's own arrangement.
    SendInternal(LVM_ARRANGE, LVA_DEFAULT, 0);
    if (!options.positionRecord)
        return;
    for (int i = 0, count = Count(); i < count; ++i) {
        if (LPCITEMIDLIST own = ItemIdList(i))
            record[own] = Position(i);
    }
}

void CDeskHostImpl::LayOutAgain()
{
    if (folderFlags & FWF_AUTOARRANGE) {
        Arrange();
        return;
    }
    if (!options.positionRecord)
        return;
    for (int i = 0, count = Count(); i < count; ++i)
        PlaceInListView(i, RecordedPosition(i));
}

void CDeskHostImpl::SaveViewState()
{
    savedState.clear();
    for (int i = 0, count = Count(); i < count; ++i) {
        if (LPCITEMIDLIST own = ItemIdList(i))
            savedState[own] = RecordedPosition(i);
    }
    savedBySize[{ GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) }] = savedState;
}

void CDeskHostImpl::Forget(LPCITEMIDLIST own)
{
    record.erase(own);
    savedState.erase(own);
    for (auto& saved : savedBySize)
        saved.second.erase(own);
}

// Explorer lays the desktop out again for the new size not the moment
// WM_DISPLAYCHANGE arrives ("sent to all windows when the display resolution
// has changed", Microsoft's documentation of the message) but some hundreds
// of milliseconds later, undoing a restore that ran in between. One timer,
// started again by every WM_DISPLAYCHANGE, stands for that delay.
void CDeskHostImpl::DisplayChanged()
{
    if (viewParent)
        SetTimer(viewParent, kDisplayTimer, kDisplayLayoutDelayMs, nullptr);
}

// The re-layout, through the view's record: the desktop covers the new
// screen; positions that the view state saved for this screen size come back
// (Explorer keeps them per resolution: the ItemPos<width>x<height> values
// that users find in the desktop's view state, the registry key
// HKCU\Software\Microsoft\Windows\Shell\Bags\1\Desktop); icons then
// outside the work area are moved into view, each onto the first free cell,
// column by column, and are not put back on a larger screen ("Windows shoves
// the off-screen icons into view, but doesn't put them back off-screen when
// you revert to a larger screen size", PC Magazine, "Save Desktop Icon
// Arrangements", 13 November 2001).
void CDeskHostImpl::LayOutForDisplay()
{
    const POINT origin = { GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN) };
    for (HWND window : { progman, viewParent }) {
        if (window && (options.width <= 0 || options.height <= 0))
            MoveWindow(window, origin.x, origin.y, GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       GetSystemMetrics(SM_CYVIRTUALSCREEN), TRUE);
    }
    // The primary monitor's work area. (Wine 8: a running process keeps the
    // SPI_GETWORKAREA it read first, and a virtual desktop's monitor keeps
    // the old work area height on a smaller screen; on Windows the work area
    // is the monitor less the taskbar.)
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    RECT work = {};
    GetMonitorInfoW(MonitorFromPoint(POINT{ 0, 0 }, MONITOR_DEFAULTTOPRIMARY), &monitor);
    IntersectRect(&work, &monitor.rcWork, &monitor.rcMonitor);
    OffsetRect(&work, -origin.x, -origin.y);
    const DWORD spacing = static_cast<DWORD>(SendMessageW(listView, LVM_GETITEMSPACING, FALSE, 0));
    const LONG cx = LOWORD(spacing), cy = HIWORD(spacing), rows = cy > 0 ? (work.bottom - work.top) / cy : 0;
    if (cx <= 0 || rows <= 0)
        return;
    // Cells by their number, column by column; an icon in view holds one.
    const auto saved = savedBySize.find({ GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) });
    std::set<LONG> taken;
    std::vector<int> outside;
    for (int i = 0; i < Count(); ++i) {
        if (saved != savedBySize.end() && saved->second.count(ItemIdList(i)))
            PlaceItem(i, saved->second.at(ItemIdList(i)));
        const POINT pos = RecordedPosition(i);
        if (pos.x >= work.left && pos.y >= work.top && pos.x + cx <= work.right && pos.y + cy <= work.bottom)
            taken.insert((pos.x - work.left + cx / 2) / cx * rows + (pos.y - work.top + cy / 2) / cy);
        else
            outside.push_back(i);
    }
    LONG cell = 0;
    for (int index : outside) {
        while (taken.count(cell))
            ++cell;
        if (work.left + (cell / rows + 1) * cx > work.right)
            break;
        taken.insert(cell);
        PlaceItem(index, POINT{ work.left + cell / rows * cx, work.top + cell % rows * cy });
    }
}

void CDeskHostImpl::SettleMetrics()
{
    // Wine's list view arranges all its icons the first time it paints with
    // items in it (it computes its item metrics then), which would lose the
    // positions given; Windows keeps them. One paint into a DC, visible or
    // not, gets that over with before any icon is placed.
    if (HDC dc = GetDC(listView)) {
        SendInternal(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(listView, dc);
    }
}

std::wstring CDeskHostImpl::NameOf(LPCITEMIDLIST child, SHGDNF flags) const
{
    STRRET str = {};
    if (FAILED(desktop->GetDisplayNameOf(child, flags, &str)))
        return std::wstring();
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(StrRetToBufW(&str, child, buffer, MAX_PATH)))
        return std::wstring();
    return buffer;
}

bool CDeskHostImpl::SnapToGrid() const
{
    return (folderFlags & FWF_SNAPTOGRID) != 0;
}

bool CDeskHostImpl::AutoArrange() const
{
    return (folderFlags & FWF_AUTOARRANGE) != 0;
}

// "Auto arrange icons" and "Align icons to grid" of the desktop are the view's
// folder flags FWF_AUTOARRANGE and FWF_SNAPTOGRID (IFolderView2::
// GetCurrentFolderFlags and SetCurrentFolderFlags). The view keeps its list
// view in step with them: FWF_AUTOARRANGE "implies LVS_AUTOARRANGE if the
// list-view control is used to implement the view" (Microsoft's documentation
// of FOLDERFLAGS), and FWF_SNAPTOGRID goes with LVS_EX_SNAPTOGRID. The list
// view's styles changed from outside do not change the flags, so switching
// them off at the list view alone leaves the view arranging (ViewMove,
// LayOutAgain) and the list view still auto-arranged.
void CDeskHostImpl::SetFolderFlags(DWORD mask, DWORD flags)
{
    folderFlags = (folderFlags & ~mask) | (flags & mask);
    if (mask & FWF_SNAPTOGRID)
        SendInternal(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_SNAPTOGRID, SnapToGrid() ? LVS_EX_SNAPTOGRID : 0);
    if (mask & FWF_AUTOARRANGE) {
        LONG_PTR style = GetWindowLongPtrW(listView, GWL_STYLE);
        style = AutoArrange() ? (style | LVS_AUTOARRANGE) : (style & ~static_cast<LONG_PTR>(LVS_AUTOARRANGE));
        ++internalDepth;
        SetWindowLongPtrW(listView, GWL_STYLE, style);
        --internalDepth;
        if (AutoArrange())
            Arrange();
    }
}

std::wstring CDeskHostImpl::ParsingNameFor(const std::wstring& name) const
{
    if (name.compare(0, 2, L"::") == 0)
        return name;
    return desktopDir + L"\\" + name;
}

bool CDeskHostImpl::PrepareFile(const DeskIcon& icon)
{
    if (icon.name.empty())
        return false;
    if (icon.name.compare(0, 2, L"::") == 0)
        return true;
    const std::wstring path = ParsingNameFor(icon.name);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    if (icon.directory) {
        if (!CreateDirectoryW(path.c_str(), nullptr))
            return false;
    } else {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
    }
    created.push_back({ path, icon.directory });
    return true;
}

LPITEMIDLIST CDeskHostImpl::FindChild(const std::wstring& name) const
{
    const std::wstring wanted = ParsingNameFor(name);
    CComRef<IEnumIDList> items;
    if (desktop->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) != S_OK)
        return nullptr;
    for (;;) {
        CItemIdList child;
        ULONG fetched = 0;
        if (items->Next(1, child.Put(), &fetched) != S_OK || !fetched)
            return nullptr;
        if (SameText(NameOf(child.Get(), SHGDN_FORPARSING), wanted))
            return child.Detach();
    }
}

int CDeskHostImpl::InsertItem(int at, LPCITEMIDLIST child, POINT pos)
{
    std::wstring label = NameOf(child, SHGDN_NORMAL);
    SHFILEINFOW info = {};
    const bool image = SHGetFileInfoW(reinterpret_cast<LPCWSTR>(child), 0, &info, sizeof(info),
                                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_LARGEICON) != 0;

    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = at;
    item.pszText = &label[0];
    item.iImage = image ? info.iIcon : 0;
    item.lParam = reinterpret_cast<LPARAM>(ILClone(child));
    if (!item.lParam)
        return -1;
    const int index = static_cast<int>(SendInternal(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
        CoTaskMemFree(reinterpret_cast<void*>(item.lParam));
        return -1;
    }
    if (Count() == 1)
        SettleMetrics();
    PlaceItem(index, pos);
    return index;
}

HRESULT CDeskHostImpl::Publish()
{
    // A table-strong reference can be unmarshaled any number of times, by
    // every process that reads the section; the stream is kept to release it.
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &marshalStream);
    if (SUCCEEDED(hr))
        hr = CoMarshalInterface(marshalStream, IID_IShellWindows, static_cast<IShellWindows*>(shellWindows),
                                MSHCTX_LOCAL, nullptr, MSHLFLAGS_TABLESTRONG);
    if (FAILED(hr))
        return hr;
    marshaled = true;
    HGLOBAL memory = nullptr;
    ULARGE_INTEGER end = {};
    LARGE_INTEGER zero = {};
    if (FAILED(hr = GetHGlobalFromStream(marshalStream, &memory)) ||
        FAILED(hr = marshalStream->Seek(zero, STREAM_SEEK_CUR, &end)))
        return hr;
    const ULONG size = static_cast<ULONG>(end.QuadPart);
    publication = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(sizeof(size) + size), kDeskHostPublication);
    if (!publication)
        return HRESULT_FROM_WIN32(GetLastError());
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS); // another host is published
    BYTE* view = static_cast<BYTE*>(MapViewOfFile(publication, FILE_MAP_WRITE, 0, 0, 0));
    const void* data = GlobalLock(memory);
    if (view && data) {
        memcpy(view, &size, sizeof(size));
        memcpy(view + sizeof(size), data, size);
    }
    GlobalUnlock(memory);
    if (!view)
        return HRESULT_FROM_WIN32(GetLastError());
    UnmapViewOfFile(view);
    return data ? S_OK : E_OUTOFMEMORY;
}

void CDeskHostImpl::Unpublish()
{
    if (publication) {
        CloseHandle(publication);
        publication = nullptr;
    }
    if (marshalStream) {
        if (marshaled) {
            LARGE_INTEGER zero = {};
            marshalStream->Seek(zero, STREAM_SEEK_SET, nullptr);
            CoReleaseMarshalData(marshalStream);
        }
        marshalStream->Release();
        marshalStream = nullptr;
    }
    marshaled = false;
}

// ---------------------------------------------------------------------------
// The host

CDeskHost::CDeskHost() : m_impl(nullptr) {}

CDeskHost::~CDeskHost()
{
    Stop();
}

bool CDeskHost::Running() const
{
    return m_impl != nullptr;
}

HRESULT CDeskHost::Start(const DeskHostOptions& options, const std::vector<DeskIcon>& icons)
{
    if (m_impl || g_running)
        return E_UNEXPECTED;
    m_impl = new CDeskHostImpl();
    g_running = m_impl;
    CDeskHostImpl& host = *m_impl;
    host.options = options;
    host.iconSize = options.iconSize;

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    host.comInitialized = SUCCEEDED(init);

    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_LISTVIEW_CLASSES };
    InitCommonControlsEx(&icc);

    wchar_t path[MAX_PATH] = {};
    HRESULT hr = SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
    if (SUCCEEDED(hr))
        hr = SHGetDesktopFolder(host.desktop.Put());
    if (FAILED(hr)) {
        Stop();
        return hr;
    }
    host.desktopDir = path;

    // The list view's client coordinates are the desktop's: its origin is the
    // top-left corner of the virtual screen.
    RECT rect;
    rect.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    rect.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    rect.right = rect.left + (options.width > 0 ? options.width : GetSystemMetrics(SM_CXVIRTUALSCREEN));
    rect.bottom = rect.top + (options.height > 0 ? options.height : GetSystemMetrics(SM_CYVIRTUALSCREEN));

    if (!RegisterHostClasses()) {
        Stop();
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const DeskWindows windows = options.windows;
    if (windows != DeskWindows::NoProgman)
        host.progman = MakeTopLevel(kProgmanClass, L"Program Manager", rect);
    host.viewParent = windows == DeskWindows::Shell ? host.progman : MakeTopLevel(kWorkerClass, L"", rect);
    HWND listParent = host.viewParent;
    if (windows != DeskWindows::NoDefView && host.viewParent) {
        host.defView = MakeChild(host.viewParent, kDefViewClass, 0, rect);
        listParent = host.defView;
    }
    if (listParent) {
        const DWORD style = LVS_ICON | LVS_SHAREIMAGELISTS | LVS_SHOWSELALWAYS | LVS_NOSCROLL |
                            (options.autoArrange ? LVS_AUTOARRANGE : 0);
        host.listView = MakeChild(listParent, WC_LISTVIEWW, style, rect);
    }
    if ((windows != DeskWindows::NoProgman && !host.progman) || !host.listView) {
        Stop();
        return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
    }
    // Explorer's "Progman" is the shell window (GetShellWindow); user32's
    // setter is in no SDK header.
    const auto setShellWindow = reinterpret_cast<BOOL(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetShellWindow")));
    if (host.progman && setShellWindow)
        setShellWindow(host.progman);
    SetWindowSubclass(host.listView, ListViewSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&host));
    if (options.autoArrange)
        host.folderFlags |= FWF_AUTOARRANGE;
    if (options.snapToGrid)
        host.SetFolderFlags(FWF_SNAPTOGRID, FWF_SNAPTOGRID);
    if (options.spacingX > 0 && options.spacingY > 0)
        SetSpacing(options.spacingX, options.spacingY);
    SendMessageW(host.listView, LVM_SETBKCOLOR, 0, RGB(0x3A, 0x6E, 0xA5));
    SendMessageW(host.listView, LVM_SETTEXTBKCOLOR, 0, CLR_NONE);
    SendMessageW(host.listView, LVM_SETTEXTCOLOR, 0, RGB(0xFF, 0xFF, 0xFF));

    if (options.visible) {
        if (host.progman)
            ShowWindow(host.progman, SW_SHOWNOACTIVATE);
        if (host.viewParent != host.progman)
            ShowWindow(host.viewParent, SW_SHOWNOACTIVATE);
        UpdateWindow(host.viewParent);
    }
    // The system image list, shared with the shell.
    SHFILEINFOW info = {};
    const HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(path, 0, &info, sizeof(info),
        SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
    if (images)
        host.SendInternal(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));

    host.browser = new CHostBrowser(&host);
    host.view = new CHostView(&host);
    host.folder = new CHostFolder(&host, host.desktop.Get());
    host.shellWindows = new CHostShellWindows(&host);
    host.factory = new CHostClassFactory(&host);

    // Items: every icon's file first, then the items in the asked order.
    for (const DeskIcon& icon : icons) {
        if (!host.PrepareFile(icon)) {
            Stop();
            return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
        }
    }
    if (options.enumerationOrder) {
        std::vector<bool> placed(icons.size(), false);
        CComRef<IEnumIDList> items;
        if (host.desktop->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) == S_OK) {
            for (;;) {
                CItemIdList child;
                ULONG fetched = 0;
                if (items->Next(1, child.Put(), &fetched) != S_OK || !fetched)
                    break;
                const std::wstring parsing = host.NameOf(child.Get(), SHGDN_FORPARSING);
                for (size_t i = 0; i < icons.size(); ++i) {
                    if (placed[i] || !SameText(host.ParsingNameFor(icons[i].name), parsing))
                        continue;
                    placed[i] = host.InsertItem(host.Count(), child.Get(), icons[i].pos) >= 0;
                }
            }
        }
        for (bool done : placed) {
            if (!done) {
                Stop();
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            }
        }
    } else {
        for (const DeskIcon& icon : icons) {
            if (AddIcon(icon) < 0) {
                Stop();
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            }
        }
    }

    if (options.autoArrange)
        host.Arrange();

    if (options.registerClassObject) {
        hr = CoRegisterClassObject(CLSID_ShellWindows, static_cast<IClassFactory*>(host.factory),
                                   CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &host.classCookie);
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    if (options.publish) {
        hr = host.Publish();
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    return S_OK;
}

void CDeskHost::Stop()
{
    if (!m_impl)
        return;
    CDeskHostImpl& host = *m_impl;
    host.Unpublish();
    if (host.classCookie)
        CoRevokeClassObject(host.classCookie);

    // References that callers still hold fail from now on.
    CHostObjectBase* const objects[] = { host.shellWindows, host.browser, host.view, host.folder, host.factory };
    IUnknown* const unknowns[] = { static_cast<IShellWindows*>(host.shellWindows),
                                   static_cast<IShellBrowser*>(host.browser), static_cast<IShellView*>(host.view),
                                   static_cast<IShellFolder*>(host.folder), static_cast<IClassFactory*>(host.factory) };
    for (size_t i = 0; i < ARRAYSIZE(objects); ++i) {
        if (!objects[i])
            continue;
        objects[i]->Disconnect();
        CoDisconnectObject(unknowns[i], 0);
        unknowns[i]->Release();
    }

    host.record.clear();
    host.savedState.clear();
    host.savedBySize.clear();
    if (host.listView) {
        for (int i = host.Count() - 1; i >= 0; --i)
            CoTaskMemFree(const_cast<LPITEMIDLIST>(host.ItemIdList(i)));
        host.SendInternal(LVM_DELETEALLITEMS, 0, 0);
    }
    if (host.viewParent && host.viewParent != host.progman)
        DestroyWindow(host.viewParent);
    if (host.progman)
        DestroyWindow(host.progman);
    for (auto it = host.created.rbegin(); it != host.created.rend(); ++it) {
        if (it->directory)
            RemoveDirectoryW(it->path.c_str());
        else
            DeleteFileW(it->path.c_str());
    }
    host.desktop.Reset();
    const bool uninitialize = host.comInitialized;
    delete m_impl;
    m_impl = nullptr;
    g_running = nullptr;
    if (uninitialize)
        CoUninitialize();
}

HWND CDeskHost::Progman() const { return m_impl ? m_impl->progman : nullptr; }
HWND CDeskHost::DefView() const { return m_impl ? m_impl->defView : nullptr; }
HWND CDeskHost::ListView() const { return m_impl ? m_impl->listView : nullptr; }
HWND CDeskHost::ViewParent() const { return m_impl ? m_impl->viewParent : nullptr; }

IUnknown* CDeskHost::Site() const
{
    return m_impl ? static_cast<IShellBrowser*>(m_impl->browser) : nullptr;
}

IShellWindows* CDeskHost::ShellWindows() const
{
    return m_impl ? static_cast<IShellWindows*>(m_impl->shellWindows) : nullptr;
}

std::wstring CDeskHost::DesktopFolder() const
{
    return m_impl ? m_impl->desktopDir : std::wstring();
}

DeskHostFaults& CDeskHost::Faults()
{
    return m_impl->faults;
}

const DeskHostCounters& CDeskHost::Counters() const
{
    return m_impl->counters;
}

void CDeskHost::ResetCounters()
{
    m_impl->counters = DeskHostCounters();
}

void CDeskHost::SetIconSize(int size)
{
    m_impl->iconSize = size;
}

void CDeskHost::SetSpacing(int cx, int cy)
{
    m_impl->SendInternal(LVM_SETICONSPACING, 0, MAKELPARAM(cx, cy));
    m_impl->SettleMetrics();
}

void CDeskHost::SetSnapToGrid(bool on)
{
    m_impl->SetFolderFlags(FWF_SNAPTOGRID, on ? static_cast<DWORD>(FWF_SNAPTOGRID) : 0);
}

void CDeskHost::SetAutoArrange(bool on)
{
    m_impl->SetFolderFlags(FWF_AUTOARRANGE, on ? static_cast<DWORD>(FWF_AUTOARRANGE) : 0);
}
bool CDeskHost::SnapToGrid() const { return m_impl->SnapToGrid(); }
bool CDeskHost::AutoArrange() const { return m_impl->AutoArrange(); }

int CDeskHost::AddIcon(const DeskIcon& icon)
{
    if (!m_impl || !m_impl->PrepareFile(icon))
        return -1;
    CItemIdList child(m_impl->FindChild(icon.name));
    if (!child.Get())
        return -1;
    return m_impl->InsertItem(m_impl->Count(), child.Get(), icon.pos);
}

bool CDeskHost::RemoveIcon(const std::wstring& name)
{
    if (!m_impl)
        return false;
    CDeskHostImpl& host = *m_impl;
    const std::wstring parsing = host.ParsingNameFor(name);
    for (int i = 0; i < host.Count(); ++i) {
        LPCITEMIDLIST own = host.ItemIdList(i);
        if (!own || !SameText(host.NameOf(own, SHGDN_FORPARSING), parsing))
            continue;
        host.SendInternal(LVM_DELETEITEM, static_cast<WPARAM>(i), 0);
        host.Forget(own);
        CoTaskMemFree(const_cast<LPITEMIDLIST>(own));
        for (auto it = host.created.begin(); it != host.created.end(); ++it) {
            if (!SameText(it->path, parsing))
                continue;
            if (it->directory)
                RemoveDirectoryW(it->path.c_str());
            else
                DeleteFileW(it->path.c_str());
            host.created.erase(it);
            break;
        }
        return true;
    }
    return false;
}

int CDeskHost::Count() const
{
    return m_impl ? m_impl->Count() : 0;
}

int CDeskHost::IndexOf(const std::wstring& label) const
{
    for (int i = 0; i < Count(); ++i) {
        if (Label(i) == label)
            return i;
    }
    return -1;
}

std::wstring CDeskHost::Label(int index) const
{
    if (!m_impl)
        return std::wstring();
    wchar_t buffer[MAX_PATH] = {};
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = buffer;
    item.cchTextMax = MAX_PATH;
    if (!SendMessageW(m_impl->listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::wstring();
    return buffer;
}

std::wstring CDeskHost::ParsingName(int index) const
{
    if (!m_impl)
        return std::wstring();
    LPCITEMIDLIST own = m_impl->ItemIdList(index);
    return own ? m_impl->NameOf(own, SHGDN_FORPARSING) : std::wstring();
}

POINT CDeskHost::Position(int index) const
{
    return m_impl ? m_impl->Position(index) : POINT{ 0, 0 };
}

bool CDeskHost::SetPosition(int index, POINT pos)
{
    return m_impl && m_impl->PlaceItem(index, pos);
}

POINT CDeskHost::RecordedPosition(int index) const
{
    return m_impl ? m_impl->RecordedPosition(index) : POINT{ 0, 0 };
}

bool CDeskHost::SavedPosition(int index, POINT* pos) const
{
    if (!m_impl || !pos)
        return false;
    const auto found = m_impl->savedState.find(m_impl->ItemIdList(index));
    if (found == m_impl->savedState.end())
        return false;
    *pos = found->second;
    return true;
}

void CDeskHost::DragIcon(int index, POINT pos)
{
    if (m_impl && index >= 0 && index < m_impl->Count())
        m_impl->ViewMove(index, pos);
}

void CDeskHost::LayOutAgain()
{
    if (m_impl)
        m_impl->LayOutAgain();
}

void CDeskHost::Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
