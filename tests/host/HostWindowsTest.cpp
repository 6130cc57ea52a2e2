#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include "DeskHost.h"

namespace {

HWND FindTop(const wchar_t* className)
{
    return FindWindowExW(nullptr, nullptr, className, nullptr);
}

// The top-level window that holds a "SHELLDLL_DefView" child, in enumeration order.
HWND TopWithDefView()
{
    struct Search { HWND found = nullptr; } search;
    EnumWindows([](HWND top, LPARAM data) -> BOOL {
        if (!FindWindowExW(top, nullptr, L"SHELLDLL_DefView", nullptr))
            return TRUE;
        reinterpret_cast<Search*>(data)->found = top;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

} // namespace

TEST(HostWindows, ShellLayoutIsProgmanDefViewListView)
{
    CDeskHost host;
    ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), {}));
    HWND progman = FindTop(L"Progman");
    ASSERT_EQ(host.Progman(), progman);
    HWND defView = FindWindowExW(progman, nullptr, L"SHELLDLL_DefView", nullptr);
    ASSERT_EQ(host.DefView(), defView);
    HWND listView = FindWindowExW(defView, nullptr, L"SysListView32", nullptr);
    ASSERT_EQ(host.ListView(), listView);
    EXPECT_EQ(LVS_ICON, GetWindowLongPtrW(listView, GWL_STYLE) & LVS_TYPEMASK);

    // List view client coordinates are the virtual screen's.
    RECT client;
    GetClientRect(listView, &client);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), client.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), client.bottom);
    POINT origin = { 0, 0 };
    ClientToScreen(listView, &origin);
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), origin.x);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), origin.y);

    host.Stop();
    EXPECT_FALSE(IsWindow(listView));
    EXPECT_EQ(nullptr, FindTop(L"Progman"));
}

TEST(HostWindows, VariantsForTheWindowSearch)
{
    {
        // The view in a worker window: "Progman" has no view of its own.
        CDeskHost host;
        DeskHostOptions options;
        options.windows = DeskWindows::Worker;
        ASSERT_EQ(S_OK, host.Start(options, {}));
        ASSERT_NE(nullptr, FindTop(L"Progman"));
        EXPECT_EQ(nullptr, FindWindowExW(FindTop(L"Progman"), nullptr, L"SHELLDLL_DefView", nullptr));
        HWND top = TopWithDefView();
        ASSERT_EQ(host.ViewParent(), top);
        EXPECT_EQ(L"WorkerW", ClassOf(top));
        EXPECT_EQ(host.ListView(), FindWindowExW(host.DefView(), nullptr, L"SysListView32", nullptr));
    }
    {
        CDeskHost host;
        DeskHostOptions options;
        options.windows = DeskWindows::NoDefView;
        ASSERT_EQ(S_OK, host.Start(options, {}));
        EXPECT_NE(nullptr, FindTop(L"Progman"));
        EXPECT_EQ(nullptr, TopWithDefView());
        EXPECT_NE(nullptr, host.ListView());
    }
    {
        CDeskHost host;
        DeskHostOptions options;
        options.windows = DeskWindows::NoProgman;
        ASSERT_EQ(S_OK, host.Start(options, {}));
        EXPECT_EQ(nullptr, FindTop(L"Progman"));
        EXPECT_EQ(host.ViewParent(), TopWithDefView());
    }
}

TEST(HostWindows, SizeChosenByTheTestAndOneHostAtATime)
{
    CDeskHost host;
    DeskHostOptions options;
    options.width = 3840;
    options.height = 2160;
    ASSERT_EQ(S_OK, host.Start(options, { { L"far.txt", { 3700, 2000 } } }));
    RECT client;
    GetClientRect(host.ListView(), &client);
    EXPECT_EQ(3840, client.right);
    EXPECT_EQ(2160, client.bottom);
    EXPECT_EQ(3700, host.Position(0).x);
    EXPECT_EQ(2000, host.Position(0).y);

    CDeskHost second;
    EXPECT_EQ(E_UNEXPECTED, second.Start(DeskHostOptions(), {}));
}
