#include "tests/shellext/HostFixture.h"

void HostedMenuTest::SetUp()
{
    ASSERT_NE(CServerDll::Get().Module(), nullptr);
    DeskHostOptions options;
    ASSERT_EQ(host.Start(options, { { L"Alpha.txt", { 100, 100 } }, { L"Beta.txt", { 300, 100 } },
                                    { L"Gamma.txt", { 100, 300 } } }),
              S_OK);
}

void HostedMenuTest::TearDown()
{
    host.Stop();
}

void HostedMenuTest::Invoke(UINT offset, const CUiDriver::Script& script)
{
    CComRef<IContextMenu> handler = NewInitialisedMenu(host.Site());
    ASSERT_TRUE(handler);
    HMENU menu = CreatePopupMenu();
    handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    CUiDriver driver(script);
    EXPECT_EQ(InvokeOffset(handler.Get(), offset, owner.Handle()), S_OK);
    driver.Finish();
    DestroyMenu(menu);
    for (const std::string& error : driver.Errors())
        ADD_FAILURE() << error;
}

std::wstring HostedMenuTest::CurrentLayoutName()
{
    return L"Layout " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" x " +
           std::to_wstring(GetSystemMetrics(SM_CYSCREEN)) + L" (48)";
}

bool HostedMenuTest::LayoutExists(const std::wstring& name)
{
    return KeyExists(HKEY_CURRENT_USER, std::wstring(kStoreKey) + L"\\" + name);
}

void HostedMenuTest::MakeLayoutKey(const std::wstring& name)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(kStoreKey) + L"\\" + name).c_str(), L"Marker", REG_SZ, L"m", 4);
}

bool HostedMenuTest::HasMarker(const std::wstring& name)
{
    return ValueText(HKEY_CURRENT_USER, std::wstring(kStoreKey) + L"\\" + name, L"Marker") == L"m";
}
