#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <exdisp.h>
#include <string>
#include <vector>

// A stand-in for the shell's desktop, run in the test's own process: the
// shell's windows with a real icon-mode list view showing real items of the
// prefix's desktop folder, and the shell's COM objects over that list view
// (shell windows object, browser, shell view with IFolderView2).
//
// Everything lives on the thread that calls Start, in its single-threaded
// apartment; product code called on the same thread talks to the list view
// directly and to the COM objects without marshaling.

// One icon of the host's desktop.
struct DeskIcon
{
    // A file name in the desktop folder (created empty when it does not
    // exist; removed again by Stop), or "::{CLSID}" for one of the desktop's
    // own shell objects as its parsing name says (e.g. the computer).
    std::wstring name;
    POINT pos = { 0, 0 };   // list view coordinates
    bool directory = false; // create a directory instead of a file
};

// Which windows the host makes.
enum class DeskWindows
{
    Shell,     // "Progman" > "SHELLDLL_DefView" > "SysListView32"
    Worker,    // "Progman" empty; a top-level "WorkerW" > "SHELLDLL_DefView" > "SysListView32"
    NoDefView, // "Progman" empty; the list view sits in a plain window, no "SHELLDLL_DefView" anywhere
    NoProgman, // no "Progman"; a top-level "WorkerW" > "SHELLDLL_DefView" > "SysListView32"
};

struct DeskHostOptions
{
    DeskWindows windows = DeskWindows::Shell;
    int width = 0;               // list view size; 0 = the virtual screen
    int height = 0;
    int iconSize = 48;           // what GetViewModeAndIconSize reports
    int spacingX = 0;            // icon cell spacing; 0 = the list view's default
    int spacingY = 0;
    bool snapToGrid = false;     // FWF_SNAPTOGRID; the list view's LVS_EX_SNAPTOGRID follows it
    bool autoArrange = false;    // FWF_AUTOARRANGE; the list view's LVS_AUTOARRANGE follows it
    // The view keeps its own record of the icon positions, apart from the
    // list view, as Windows 10 version 1809 and later do (see DeskHost.cpp).
    // Off: the list view is the only record, as on earlier Windows.
    bool positionRecord = true;
    bool enumerationOrder = false; // items in the desktop folder's order, not the given order
    bool registerClassObject = true; // CLSID_ShellWindows in-process (CoCreateInstance reaches the host)
    bool publish = false;        // also published for other processes (kDeskHostPublication)
    bool visible = false;        // show the windows (the program does; tests need not)
};

// Counters of everything that moves icons or changes the view; only calls and
// messages from outside the host count.
struct DeskHostCounters
{
    long setItemPosition = 0;    // LVM_SETITEMPOSITION messages seen by the list view
    long setItemPosition32 = 0;  // LVM_SETITEMPOSITION32 messages
    long positionCalls = 0;      // IFolderView::SelectAndPositionItems calls
    long itemsPositioned = 0;    // items those calls positioned (SVSI_POSITIONITEM)
    long setFolderFlags = 0;     // IFolderView2::SetCurrentFolderFlags calls
    long saveViewState = 0;      // IShellView::SaveViewState calls
    long findWindow = 0;         // IShellWindows::FindWindowSW calls
};

// Failures to inject; a new host has none.
struct DeskHostFaults
{
    bool noServiceProvider = false; // the site and the desktop dispatch lack IServiceProvider
    bool noShellBrowser = false;    // QueryService for the shell browser fails
    bool noShellView = false;       // QueryActiveShellView fails
    bool noFolderView = false;      // the shell view lacks IFolderView and IFolderView2
    bool viewOfDesktopDirectory = false; // the view's folder is the Desktop directory, as in a folder window
    bool noDesktopWindow = false;   // FindWindowSW finds no desktop (S_FALSE, no dispatch)
    bool noIconSize = false;        // GetViewModeAndIconSize fails
    bool noItemCount = false;       // ItemCount fails
    int failItemAt = -1;            // IFolderView::Item fails for this index (and Items fails)
    // No desktop folder can name the item at this index, the one that
    // GetFolder hands out nor that of SHGetDesktopFolder in any process: the
    // view hands out for it an ID list with a second level under the file
    // (see CDeskHostImpl::HandOut), which names nothing.
    int failDisplayNameAt = -1;
    // GetItemPosition fails (E_NOTIMPL, as in Wine's own view) for this index.
    int failPositionAt = -1;
    // SelectAndPositionItems puts every item at menuPoint instead of the
    // point given, as it does while a mouse-positioned context menu is being
    // handled (see HostView.cpp).
    bool positionAtMenu = false;
    POINT menuPoint = { 0, 0 };
    // A manual-reset event: while it is reset, every call on the view waits
    // for it, as the calls into a shell whose desktop thread hangs do (the
    // host's thread stops with them).
    HANDLE answering = nullptr;
};

class CDeskHostImpl;

class CDeskHost
{
public:
    CDeskHost();
    ~CDeskHost();
    CDeskHost(const CDeskHost&) = delete;
    CDeskHost& operator=(const CDeskHost&) = delete;

    // Initialises COM on the thread (apartment-threaded), creates the files,
    // the windows and the items, and registers the shell windows object.
    // One host per process at a time.
    HRESULT Start(const DeskHostOptions& options, const std::vector<DeskIcon>& icons);
    // Revokes the objects, destroys the windows, deletes the files it created.
    void Stop();
    bool Running() const;

    HWND Progman() const;     // null in the NoProgman variant
    HWND DefView() const;     // null in the NoDefView variant
    HWND ListView() const;
    HWND ViewParent() const;  // the top-level window that holds the view

    // The site a shell extension gets: pass to IObjectWithSite::SetSite. Not
    // AddRef'd; valid while the host runs.
    IUnknown* Site() const;
    // The shell windows object that CoCreateInstance(CLSID_ShellWindows) reaches.
    IShellWindows* ShellWindows() const;
    // The desktop folder path (SHGetFolderPathW CSIDL_DESKTOPDIRECTORY).
    std::wstring DesktopFolder() const;

    DeskHostFaults& Faults();
    const DeskHostCounters& Counters() const;
    void ResetCounters();

    // Knobs while running.
    void SetIconSize(int size);
    void SetSpacing(int cx, int cy);
    void SetSnapToGrid(bool on);
    void SetAutoArrange(bool on);
    bool SnapToGrid() const;
    bool AutoArrange() const;

    // Adds an icon (creating its file) at the end of the list view; returns its
    // index or -1. Removes the list view item of that name (file name or
    // "::{CLSID}") and deletes a file the host created.
    int AddIcon(const DeskIcon& icon);
    bool RemoveIcon(const std::wstring& name);

    // Items: count, index by label (exact text) or -1, label, parsing name,
    // position in the list view, and a position set directly (list view and
    // record): exactly there, whatever the flags, and not counted. (Position
    // messages and SelectAndPositionItems snap to the cell spacing with
    // snap-to-grid on and re-arrange with auto-arrange on, as on Windows.)
    int Count() const;
    int IndexOf(const std::wstring& label) const;
    std::wstring Label(int index) const;
    std::wstring ParsingName(int index) const;
    POINT Position(int index) const;
    bool SetPosition(int index, POINT pos);
    // The view's record of the item's position (what GetItemPosition
    // answers), and that record as SaveViewState last saved it (false when
    // it was never saved).
    POINT RecordedPosition(int index) const;
    bool SavedPosition(int index, POINT* pos) const;
    // A user's drag of the icon to pos: the view moves it (record and list
    // view, snapping and arranging as the flags say); not counted.
    void DragIcon(int index, POINT pos);
    // What a refresh does (also IShellView::Refresh, and kDeskHostLayOutAgain
    // sent to a host window): the list view is laid out again from the
    // view's record.
    void LayOutAgain();

    // Dispatches the thread's pending messages.
    static void Pump();

private:
    CDeskHostImpl* m_impl;
};

// Name of the shared memory section in which a published host keeps its shell
// windows object, marshaled (a ULONG byte count, then the marshaled data;
// MSHCTX_LOCAL, MSHLFLAGS_TABLESTRONG). It lives while the host runs.
// (Wine's running object table needs its RpcSs service, which refuses to
// start while a freshly booted prefix is still starting its services; a
// marshaled reference needs no service at all.)
extern const wchar_t kDeskHostPublication[];

// Name of the registered window message that makes a host lay its desktop
// out again (LayOutAgain) when sent to one of its top-level windows.
extern const wchar_t kDeskHostLayOutAgain[];

// Name of the event that deskhost.exe of that process id takes as its
// view's DeskHostFaults::answering (set while the view answers).
std::wstring DeskHostAnsweringEvent(DWORD processId);

// The shell windows object of a host published by another process, or
// CO_E_SERVER_EXEC_FAILURE when none runs.
HRESULT GetPublishedDeskHost(REFIID riid, void** ppv);
