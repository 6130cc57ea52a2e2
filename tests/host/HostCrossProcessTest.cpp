#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <exdisp.h>
#include <gtest/gtest.h>
#include "tests/host/HostTestRefs.h"
#include "DeskHostProcess.h"
#include "tests/common/TestSupport.h"

namespace {

// Each step of the command-line tool's road, reporting where it fails.
HRESULT OpenRemoteView(IFolderView2** out, std::string* step)
{
    *out = nullptr;
    CComRef<IShellWindows> windows;
    *step = "CoCreateInstance";
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
    *step = "FindWindowSW";
    hr = windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, dispatch.Put());
    if (FAILED(hr) || !dispatch.Get())
        return FAILED(hr) ? hr : E_FAIL;
    CComRef<IServiceProvider> provider;
    *step = "IServiceProvider";
    if (FAILED(hr = dispatch->QueryInterface(IID_IServiceProvider, provider.PutVoid())))
        return hr;
    CComRef<IShellBrowser> browser;
    *step = "QueryService";
    if (FAILED(hr = provider->QueryService(kSidTopLevelBrowser, IID_IShellBrowser, browser.PutVoid())))
        return hr;
    CComRef<IShellView> view;
    *step = "QueryActiveShellView";
    if (FAILED(hr = browser->QueryActiveShellView(view.Put())))
        return hr;
    *step = "IFolderView2";
    return view->QueryInterface(IID_IFolderView2, reinterpret_cast<void**>(out));
}

class HostCrossProcess : public ::testing::Test
{
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

} // namespace

TEST_F(HostCrossProcess, ViewOfARunningDeskHostFromAnotherProcess)
{
    CShellWindowsForwarding forwarding;
    ASSERT_TRUE(forwarding.Installed());
    CDeskHostProcess process;
    ASSERT_EQ(S_OK, process.Launch({ { L"left.txt", { 100, 120 } }, { L"right.txt", { 900, 400 } } }));

    // Its windows are on this desktop.
    HWND progman = FindWindowExW(nullptr, nullptr, L"Progman", nullptr);
    ASSERT_NE(nullptr, progman);
    DWORD owner = 0;
    GetWindowThreadProcessId(progman, &owner);
    EXPECT_EQ(process.ProcessId(), owner);

    CComRef<IFolderView2> view;
    std::string step;
    const HRESULT hr = OpenRemoteView(view.Put(), &step);
    ASSERT_EQ(S_OK, hr) << "failed at " << step;

    int count = 0;
    ASSERT_EQ(S_OK, view->ItemCount(SVGIO_ALLVIEW, &count));
    EXPECT_EQ(2, count);
    FOLDERVIEWMODE mode = FVM_AUTO;
    int size = -1;
    ASSERT_EQ(S_OK, view->GetViewModeAndIconSize(&mode, &size));
    EXPECT_EQ(48, size);
    POINT spacing = {};
    ASSERT_EQ(S_OK, view->GetSpacing(&spacing));
    EXPECT_GT(spacing.x, 0);
    ASSERT_EQ(S_OK, view->SetCurrentFolderFlags(FWF_SNAPTOGRID, FWF_SNAPTOGRID));
    DWORD flags = 0;
    ASSERT_EQ(S_OK, view->GetCurrentFolderFlags(&flags));
    EXPECT_EQ(static_cast<DWORD>(FWF_SNAPTOGRID), flags & (FWF_SNAPTOGRID | FWF_AUTOARRANGE));
    ASSERT_EQ(S_OK, view->SetCurrentFolderFlags(FWF_SNAPTOGRID, 0));
    CComRef<IShellFolder> folder;
    ASSERT_EQ(S_OK, view->GetFolder(IID_IShellFolder, folder.PutVoid()));

    // Item identifier lists cross whole, in and out.
    CItemIdList right;
    ASSERT_EQ(S_OK, view->Item(1, right.Put()));
    STRRET str = {};
    wchar_t name[MAX_PATH] = {};
    ASSERT_EQ(S_OK, folder->GetDisplayNameOf(right.Get(), SHGDN_FORPARSING, &str));
    ASSERT_EQ(S_OK, StrRetToBufW(&str, right.Get(), name, MAX_PATH));
    EXPECT_NE(nullptr, StrStrIW(name, L"\\Desktop\\right.txt")) << Narrow(name);
    ASSERT_EQ(S_OK, folder->GetDisplayNameOf(right.Get(), SHGDN_NORMAL, &str));
    ASSERT_EQ(S_OK, StrRetToBufW(&str, right.Get(), name, MAX_PATH));
    EXPECT_STREQ(L"right.txt", name);
    POINT pos = {};
    ASSERT_EQ(S_OK, view->GetItemPosition(right.Get(), &pos));
    EXPECT_EQ(900, pos.x);
    EXPECT_EQ(400, pos.y);
    PCUITEMID_CHILD children[] = { right.Get() };
    POINT target = { 1200, 640 };
    ASSERT_EQ(S_OK, view->SelectAndPositionItems(1, children, &target, SVSI_POSITIONITEM));
    ASSERT_EQ(S_OK, view->GetItemPosition(right.Get(), &pos));
    EXPECT_EQ(1200, pos.x);
    EXPECT_EQ(640, pos.y);
}

TEST_F(HostCrossProcess, NoDeskHostRunningMeansNoDesktopAndThePrefixIsPutBack)
{
    wchar_t before[MAX_PATH] = {};
    LONG size = sizeof(before);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueW(HKEY_CLASSES_ROOT,
        L"CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32", before, &size));
    {
        CShellWindowsForwarding forwarding;
        ASSERT_TRUE(forwarding.Installed());
        CComRef<IFolderView2> view;
        std::string step;
        EXPECT_TRUE(FAILED(OpenRemoteView(view.Put(), &step)));
        EXPECT_EQ("CoCreateInstance", step);
    }
    wchar_t after[MAX_PATH] = {};
    size = sizeof(after);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueW(HKEY_CLASSES_ROOT,
        L"CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\InprocServer32", after, &size));
    EXPECT_STREQ(before, after);
    HKEY proxy = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{6F1C2B57-3D0A-4E8B-9C41-7A2E5D0B8F13}", 0,
                                           KEY_READ, &proxy));
}
