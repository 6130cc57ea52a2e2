#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <exdisp.h>
#include <gtest/gtest.h>
#include "tests/host/HostTestRefs.h"
#include "DeskHost.h"

namespace {

// The road the command-line tool takes from the shell windows object to the
// desktop's shell view; the status is the first failure's.
HRESULT OpenDesktopView(REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CComRef<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, static_cast<CLSCTX>(23), IID_IShellWindows,
                                  windows.PutVoid());
    if (FAILED(hr))
        return hr;
    VARIANT location, root;
    VariantInit(&location);
    VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = 0;
    LONG hwnd = 0;
    CComRef<IDispatch> dispatch;
    hr = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, dispatch.Put());
    if (FAILED(hr))
        return hr;
    if (!dispatch.Get())
        return E_FAIL;
    CComRef<IServiceProvider> provider;
    if (FAILED(hr = dispatch->QueryInterface(IID_IServiceProvider, provider.PutVoid())))
        return hr;
    CComRef<IShellBrowser> browser;
    if (FAILED(hr = provider->QueryService(kSidTopLevelBrowser, IID_IShellBrowser, browser.PutVoid())))
        return hr;
    CComRef<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(view.Put())))
        return hr;
    return view->QueryInterface(riid, ppv);
}

class HostShellView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), { { L"one.txt", { 100, 100 } },
                                                        { L"two.txt", { 200, 100 } },
                                                        { L"three.txt", { 300, 100 } } }));
        ASSERT_EQ(S_OK, OpenDesktopView(IID_IFolderView2, view.PutVoid()));
    }
    void TearDown() override
    {
        view.Reset();
        host.Stop();
    }

    CDeskHost host;
    CComRef<IFolderView2> view;
};

} // namespace

TEST_F(HostShellView, ReachedThroughTheShellWindowsObject)
{
    // CoCreateInstance goes through the COM runtime to the host's class object.
    CComRef<IShellWindows> windows;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellWindows, nullptr, static_cast<CLSCTX>(23), IID_IShellWindows,
                                     windows.PutVoid()));
    EXPECT_EQ(host.ShellWindows(), windows.Get());

    // Only the desktop is found.
    VARIANT location, root;
    VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_PERSONAL;
    CComRef<IDispatch> none;
    LONG hwnd = 0;
    EXPECT_EQ(S_FALSE, windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, none.Put()));
    EXPECT_EQ(nullptr, none.Get());

    // The shell view's window is the "SHELLDLL_DefView" window.
    CComRef<IShellView> shellView;
    ASSERT_EQ(S_OK, view->QueryInterface(IID_IShellView, shellView.PutVoid()));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, shellView->GetWindow(&window));
    EXPECT_EQ(host.DefView(), window);
}

TEST_F(HostShellView, ItemsPositionsAndFolder)
{
    int count = 0;
    ASSERT_EQ(S_OK, view->ItemCount(SVGIO_ALLVIEW, &count));
    ASSERT_EQ(3, count);

    CComRef<IShellFolder> folder;
    ASSERT_EQ(S_OK, view->GetFolder(IID_IShellFolder, folder.PutVoid()));
    for (int i = 0; i < count; ++i) {
        CItemIdList child;
        ASSERT_EQ(S_OK, view->Item(i, child.Put()));
        STRRET str = {};
        wchar_t name[MAX_PATH] = {};
        ASSERT_EQ(S_OK, folder->GetDisplayNameOf(child.Get(), SHGDN_FORPARSING, &str));
        ASSERT_EQ(S_OK, StrRetToBufW(&str, child.Get(), name, MAX_PATH));
        EXPECT_EQ(host.ParsingName(i), name);
        POINT pos = {};
        ASSERT_EQ(S_OK, view->GetItemPosition(child.Get(), &pos));
        EXPECT_EQ(host.Position(i).x, pos.x);
        EXPECT_EQ(host.Position(i).y, pos.y);
    }
    CItemIdList none;
    EXPECT_TRUE(FAILED(view->Item(3, none.Put())));

    // An ID list from the folder's own enumeration finds its item too.
    CComRef<IEnumIDList> items;
    ASSERT_EQ(S_OK, folder->EnumObjects(nullptr, SHCONTF_NONFOLDERS, items.Put()));
    CItemIdList child;
    ULONG fetched = 0;
    bool found = false;
    while (!found && items->Next(1, child.Put(), &fetched) == S_OK) {
        POINT pos = {};
        found = SUCCEEDED(view->GetItemPosition(child.Get(), &pos)) && pos.x == 200 && pos.y == 100;
        child.Reset();
    }
    EXPECT_TRUE(found);

    FOLDERVIEWMODE mode = FVM_AUTO;
    int size = -1;
    ASSERT_EQ(S_OK, view->GetViewModeAndIconSize(&mode, &size));
    EXPECT_EQ(FVM_ICON, mode);
    EXPECT_EQ(48, size);
    host.SetIconSize(32);
    ASSERT_EQ(S_OK, view->GetViewModeAndIconSize(&mode, &size));
    EXPECT_EQ(32, size);

    host.SetSpacing(90, 110);
    POINT spacing = {};
    ASSERT_EQ(S_OK, view->GetSpacing(&spacing));
    EXPECT_EQ(90, spacing.x);
    EXPECT_EQ(110, spacing.y);
}

TEST_F(HostShellView, PositioningIsCounted)
{
    CItemIdList first, third;
    ASSERT_EQ(S_OK, view->Item(0, first.Put()));
    ASSERT_EQ(S_OK, view->Item(2, third.Put()));
    PCUITEMID_CHILD children[] = { first.Get(), third.Get() };
    POINT points[] = { { 640, 480 }, { 700, 520 } };
    ASSERT_EQ(S_OK, view->SelectAndPositionItems(2, children, points, SVSI_POSITIONITEM));
    EXPECT_EQ(640, host.Position(0).x);
    EXPECT_EQ(480, host.Position(0).y);
    EXPECT_EQ(700, host.Position(2).x);
    EXPECT_EQ(520, host.Position(2).y);
    EXPECT_EQ(1, host.Counters().positionCalls);
    EXPECT_EQ(2, host.Counters().itemsPositioned);
    // The view's own moves are not list view messages from outside.
    EXPECT_EQ(0, host.Counters().setItemPosition32);

    SendMessageW(host.ListView(), LVM_SETITEMPOSITION, 1, MAKELPARAM(50, 60));
    POINT pos = { 70, 80 };
    SendMessageW(host.ListView(), LVM_SETITEMPOSITION32, 1, reinterpret_cast<LPARAM>(&pos));
    EXPECT_EQ(1, host.Counters().setItemPosition);
    EXPECT_EQ(1, host.Counters().setItemPosition32);
    EXPECT_EQ(70, host.Position(1).x);

    ASSERT_TRUE(host.SetPosition(1, { 10, 20 }));
    EXPECT_EQ(1, host.Counters().setItemPosition);
    ASSERT_EQ(S_OK, view->SelectAndPositionItems(0, nullptr, nullptr, SVSI_POSITIONITEM));
    CComRef<IShellView> shellView;
    ASSERT_EQ(S_OK, view->QueryInterface(IID_IShellView, shellView.PutVoid()));
    ASSERT_EQ(S_OK, shellView->SaveViewState());
    EXPECT_EQ(2, host.Counters().positionCalls);
    EXPECT_EQ(1, host.Counters().saveViewState);

    host.ResetCounters();
    EXPECT_EQ(0, host.Counters().positionCalls);
    EXPECT_EQ(0, host.Counters().itemsPositioned);
    EXPECT_EQ(0, host.Counters().setItemPosition);
}

TEST_F(HostShellView, FolderFlagsDriveTheListView)
{
    DWORD flags = 0;
    ASSERT_EQ(S_OK, view->GetCurrentFolderFlags(&flags));
    EXPECT_EQ(0u, flags & (FWF_AUTOARRANGE | FWF_SNAPTOGRID));
    EXPECT_NE(0u, flags & FWF_DESKTOP);

    ASSERT_EQ(S_OK, view->SetCurrentFolderFlags(FWF_SNAPTOGRID, FWF_SNAPTOGRID));
    EXPECT_TRUE(host.SnapToGrid());
    EXPECT_NE(0, SendMessageW(host.ListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_SNAPTOGRID);
    ASSERT_EQ(S_OK, view->GetCurrentFolderFlags(&flags));
    EXPECT_EQ(static_cast<DWORD>(FWF_SNAPTOGRID), flags & (FWF_AUTOARRANGE | FWF_SNAPTOGRID));

    // With snap-to-grid on, a move lands on the nearest cell, as on Windows.
    host.SetSpacing(100, 100);
    SendMessageW(host.ListView(), LVM_SETITEMPOSITION, 0, MAKELPARAM(149, 251));
    EXPECT_EQ(100, host.Position(0).x);
    EXPECT_EQ(300, host.Position(0).y);

    ASSERT_EQ(S_OK, view->SetCurrentFolderFlags(FWF_AUTOARRANGE | FWF_SNAPTOGRID, FWF_AUTOARRANGE));
    EXPECT_FALSE(host.SnapToGrid());
    EXPECT_TRUE(host.AutoArrange());
    EXPECT_NE(0, GetWindowLongPtrW(host.ListView(), GWL_STYLE) & LVS_AUTOARRANGE);
    EXPECT_EQ(S_OK, view->GetAutoArrange());
    // With auto-arrange on, a moved icon goes back into the arrangement.
    const POINT arranged = host.Position(2);
    SendMessageW(host.ListView(), LVM_SETITEMPOSITION, 2, MAKELPARAM(1500, 900));
    EXPECT_EQ(arranged.x, host.Position(2).x);
    EXPECT_EQ(arranged.y, host.Position(2).y);

    ASSERT_EQ(S_OK, view->SetCurrentFolderFlags(FWF_AUTOARRANGE, 0));
    EXPECT_FALSE(host.AutoArrange());
    SendMessageW(host.ListView(), LVM_SETITEMPOSITION, 2, MAKELPARAM(1500, 900));
    EXPECT_EQ(1500, host.Position(2).x);
    EXPECT_EQ(3, host.Counters().setFolderFlags);
}

TEST_F(HostShellView, SiteOfAShellExtension)
{
    CComRef<IServiceProvider> provider;
    ASSERT_EQ(S_OK, host.Site()->QueryInterface(IID_IServiceProvider, provider.PutVoid()));
    CComRef<IShellBrowser> browser;
    ASSERT_EQ(S_OK, provider->QueryService(IID_IShellBrowser, IID_IShellBrowser, browser.PutVoid()));
    CComRef<IShellView> shellView;
    ASSERT_EQ(S_OK, browser->QueryActiveShellView(shellView.Put()));
    CComRef<IFolderView> folderView;
    EXPECT_EQ(S_OK, shellView->QueryInterface(IID_IFolderView, folderView.PutVoid()));
}

TEST_F(HostShellView, InjectedFailures)
{
    void* none = nullptr;
    host.Faults().noDesktopWindow = true;
    EXPECT_TRUE(FAILED(OpenDesktopView(IID_IFolderView2, &none)));
    host.Faults() = DeskHostFaults();

    host.Faults().noServiceProvider = true;
    EXPECT_EQ(E_NOINTERFACE, OpenDesktopView(IID_IFolderView2, &none));
    CComRef<IServiceProvider> provider;
    EXPECT_EQ(E_NOINTERFACE, host.Site()->QueryInterface(IID_IServiceProvider, provider.PutVoid()));
    host.Faults() = DeskHostFaults();

    host.Faults().noShellBrowser = true;
    EXPECT_TRUE(FAILED(OpenDesktopView(IID_IFolderView2, &none)));
    host.Faults() = DeskHostFaults();

    host.Faults().noShellView = true;
    EXPECT_TRUE(FAILED(OpenDesktopView(IID_IFolderView2, &none)));
    host.Faults() = DeskHostFaults();

    host.Faults().noFolderView = true;
    EXPECT_EQ(E_NOINTERFACE, OpenDesktopView(IID_IFolderView, &none));
    CComRef<IShellView> shellView;
    EXPECT_EQ(S_OK, OpenDesktopView(IID_IShellView, shellView.PutVoid()));
    host.Faults() = DeskHostFaults();
    EXPECT_EQ(nullptr, none);

    host.Faults().failItemAt = 1;
    host.Faults().failDisplayNameAt = 2;
    host.Faults().noIconSize = true;
    CItemIdList item;
    EXPECT_EQ(E_FAIL, view->Item(1, item.Put()));
    EXPECT_EQ(nullptr, item.Get());
    ASSERT_EQ(S_OK, view->Item(2, item.Put()));
    CComRef<IShellFolder> folder;
    ASSERT_EQ(S_OK, view->GetFolder(IID_IShellFolder, folder.PutVoid()));
    STRRET str = {};
    EXPECT_EQ(E_FAIL, folder->GetDisplayNameOf(item.Get(), SHGDN_NORMAL, &str));
    int size = 7;
    EXPECT_TRUE(FAILED(view->GetViewModeAndIconSize(nullptr, &size)));
    EXPECT_EQ(7, size);

    host.Faults().noItemCount = true;
    int count = -1;
    EXPECT_TRUE(FAILED(view->ItemCount(SVGIO_ALLVIEW, &count)));
}

TEST(HostStopped, ObjectsKeptPastStopFailCleanly)
{
    CDeskHost host;
    ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), { { L"left.txt", { 1, 1 } } }));
    CComRef<IFolderView2> view;
    ASSERT_EQ(S_OK, OpenDesktopView(IID_IFolderView2, view.PutVoid()));
    host.Stop();
    int count = -1;
    EXPECT_TRUE(FAILED(view->ItemCount(SVGIO_ALLVIEW, &count)));
    // The class object is gone with the host: no stale desktop is reached.
    CComRef<IFolderView2> again;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(FAILED(OpenDesktopView(IID_IFolderView2, again.PutVoid())));
    CoUninitialize();
}
