#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include "DeskHost.h"

namespace {

const wchar_t kComputer[] = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ParsingOf(IShellFolder* folder, LPCITEMIDLIST child)
{
    STRRET str = {};
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_FORPARSING, &str)) ||
        FAILED(StrRetToBufW(&str, child, buffer, MAX_PATH)))
        return std::wstring();
    return buffer;
}

LPARAM ParamOf(HWND listView, int index)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

} // namespace

TEST(HostItems, RealDesktopItemsAtTheirPositions)
{
    CDeskHost host;
    ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), { { L"Report.txt", { 100, 80 } },
                                                    { L"Docs", { 260, 80 }, true },
                                                    { kComputer, { 420, 300 } } }));
    const std::wstring desktop = host.DesktopFolder();
    wchar_t expected[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, expected));
    EXPECT_EQ(std::wstring(expected), desktop);
    EXPECT_TRUE(Exists(desktop + L"\\Report.txt"));
    EXPECT_TRUE(Exists(desktop + L"\\Docs"));

    ASSERT_EQ(3, host.Count());
    EXPECT_EQ(desktop + L"\\Report.txt", host.ParsingName(0));
    EXPECT_EQ(desktop + L"\\Docs", host.ParsingName(1));
    EXPECT_EQ(0, lstrcmpiW(kComputer, host.ParsingName(2).c_str()));
    EXPECT_EQ(L"Docs", host.Label(1));
    EXPECT_EQ(1, host.IndexOf(L"Docs"));
    EXPECT_EQ(-1, host.IndexOf(L"docs"));
    EXPECT_EQ(420, host.Position(2).x);
    EXPECT_EQ(300, host.Position(2).y);

    // Each item's parameter is its child ID list in the real desktop folder.
    IShellFolder* folder = nullptr;
    ASSERT_EQ(S_OK, SHGetDesktopFolder(&folder));
    for (int i = 0; i < host.Count(); ++i) {
        LPCITEMIDLIST child = reinterpret_cast<LPCITEMIDLIST>(ParamOf(host.ListView(), i));
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(0, ILNext(child)->mkid.cb) << "not a child ID list";
        EXPECT_EQ(host.ParsingName(i), ParsingOf(folder, child));
    }
    folder->Release();

    host.Stop();
    EXPECT_FALSE(Exists(desktop + L"\\Report.txt"));
    EXPECT_FALSE(Exists(desktop + L"\\Docs"));
}

TEST(HostItems, AddRemoveAndOrder)
{
    CDeskHost host;
    DeskHostOptions options;
    options.enumerationOrder = true;
    // The desktop folder lists its shell objects before the files.
    ASSERT_EQ(S_OK, host.Start(options, { { L"b.txt", { 10, 10 } }, { kComputer, { 90, 10 } } }));
    ASSERT_EQ(2, host.Count());
    EXPECT_EQ(0, lstrcmpiW(kComputer, host.ParsingName(0).c_str()));
    EXPECT_EQ(90, host.Position(0).x);

    const int added = host.AddIcon({ L"new.txt", { 500, 400 } });
    ASSERT_EQ(2, added);
    EXPECT_EQ(L"new.txt", host.Label(added));
    EXPECT_EQ(500, host.Position(added).x);

    // The same file twice: two items with the same names.
    EXPECT_EQ(3, host.AddIcon({ L"new.txt", { 600, 400 } }));
    EXPECT_EQ(host.ParsingName(2), host.ParsingName(3));

    EXPECT_TRUE(host.RemoveIcon(L"b.txt"));
    EXPECT_FALSE(Exists(host.DesktopFolder() + L"\\b.txt"));
    EXPECT_EQ(3, host.Count());
    EXPECT_EQ(-1, host.IndexOf(L"b.txt"));
    EXPECT_FALSE(host.RemoveIcon(L"missing.txt"));
}

TEST(HostItems, FilesThatExistedStay)
{
    wchar_t desktop[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop));
    const std::wstring path = std::wstring(desktop) + L"\\kept.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    {
        CDeskHost host;
        ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), { { L"kept.txt", { 5, 5 } } }));
        EXPECT_EQ(1, host.Count());
    }
    EXPECT_TRUE(Exists(path));
    DeleteFileW(path.c_str());
}

TEST(HostItems, PositionsSurviveTheFirstPaint)
{
    CDeskHost host;
    DeskHostOptions options;
    options.visible = true;
    ASSERT_EQ(S_OK, host.Start(options, { { L"p.txt", { 40, 160 } }, { L"q.txt", { 300, 40 } } }));
    UpdateWindow(host.ListView());
    CDeskHost::Pump();
    EXPECT_EQ(40, host.Position(0).x);
    EXPECT_EQ(160, host.Position(0).y);
    EXPECT_EQ(300, host.Position(1).x);
    EXPECT_EQ(40, host.Position(1).y);
}
