// The handler made through COM as the shell makes it: the menu it builds
// from the settings, the texts it gives the shell, its interfaces and site,
// and its commands when no desktop can be found.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <shlwapi.h>
#include <functional>
#include <string>
#include <vector>
#include "shellext/DeskMenuIds.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

using Texts = std::vector<std::wstring>;

const HRESULT kAddedSix = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 6);
const HRESULT kAddedNothing = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);

class DeskMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(CServerDll::Get().Module(), nullptr);
        AppendMenuW(menu, MF_STRING, 1, L"Before");
        AppendMenuW(menu, MF_STRING, 2, L"After");
    }
    void TearDown() override { DestroyMenu(menu); }

    // A fresh handler's items at position 1 of menu, identifiers from 100.
    HRESULT Build(UINT flags = CMF_NORMAL, UINT lastId = 0x7FFF)
    {
        handler = NewInitialisedMenu();
        return handler ? handler->QueryContextMenu(menu, 1, 100, lastId, flags) : E_FAIL;
    }

    CScopedUserHive hive;
    CShellApartment apartment;
    HMENU menu = CreatePopupMenu();
    CComRef<IContextMenu> handler;
};

TEST_F(DeskMenuTest, TheSettingsPlaceAndLabelTheCommands)
{
    const HKEY user = HKEY_CURRENT_USER;
    const wchar_t* store = L"Software\\Quenlo\\Tovak";
    const struct
    {
        std::function<void()> store;
        Texts main;
        Texts cascade;
    } cases[] = {
        { [] {},
          { L"Before", L"-", L"Ostrel", L"After" },
          { L"Sa&ve Desktop...", L"Restore &Desktop", L"Undo Restore", L"C&ustom Save/Restore...",
            L"Highlight Unmatched Icons", L"Settings..." } },
        { [] {
             for (const wchar_t* name : { L"Cascade Save", L"Cascade Restore", L"Cascade Custom", L"Cascade Hilite",
                                          L"Confirm Save" })
                 StoreSetting(name, 0);
             StoreSetting(L"Confirm Restore", 1);
         },
          { L"Before", L"-", L"Ostrel", L"Sa&ve Desktop", L"Restore &Desktop...", L"C&ustom Save/Restore...",
            L"Highlight Unmatched Icons", L"After" },
          { L"Undo Restore...", L"Settings..." } },
        // Any non-zero number is on; a value of another type or size is the default.
        { [&] {
             StoreSetting(L"Cascade Restore", 0);
             StoreSetting(L"Cascade Hilite", 0);
             StoreSetting(L"Confirm Restore", 7);
             RegSetKeyValueW(user, store, L"Cascade Save", REG_SZ, L"0", 4);
             const WORD shortZero = 0;
             RegSetKeyValueW(user, store, L"Confirm Save", REG_DWORD, &shortZero, 2);
         },
          { L"Before", L"-", L"Ostrel", L"Restore &Desktop...", L"Highlight Unmatched Icons", L"After" },
          { L"Sa&ve Desktop...", L"Undo Restore...", L"C&ustom Save/Restore...", L"Settings..." } },
    };
    for (const auto& each : cases) {
        SHDeleteKeyW(user, store);
        while (GetMenuItemCount(menu) > 2)
            DeleteMenu(menu, 1, MF_BYPOSITION);
        each.store();
        ASSERT_EQ(Build(), kAddedSix);
        EXPECT_EQ(MenuTexts(menu), each.main);
        EXPECT_EQ(MenuTexts(GetSubMenu(menu, 2)), each.cascade);
    }
    // Identifiers follow the offsets.
    EXPECT_EQ(GetMenuItemID(menu, 3), 101u);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 2), 1), 105u);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 2), 3), 104u);
}

TEST_F(DeskMenuTest, AddsNothingWhenExploringOrShortOfIdentifiers)
{
    const Texts untouched = { L"Before", L"After" };
    EXPECT_EQ(Build(CMF_EXPLORE), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);
    // 100 to 104 are five identifiers: a sixth would be the next handler's.
    EXPECT_EQ(Build(CMF_NORMAL, 104), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);
    EXPECT_EQ(Build(CMF_NORMAL, 99), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);
    EXPECT_EQ(Build(CMF_DEFAULTONLY, 105), kAddedSix);
    EXPECT_EQ(MenuTexts(menu).size(), 4u);
}

TEST_F(DeskMenuTest, CommandStringsGiveHelpTextsVerbsAndValidation)
{
    ASSERT_EQ(Build(), kAddedSix);
    const wchar_t* const helps[] = { L"Stores the current desktop icon layout for later restoration",
                                     L"Restores the saved desktop icon layout",
                                     L"Allows custom Save/Restore/Configuration of Layouts",
                                     L"Locate and highlight unmatched icons", L"Specify Ostrel settings",
                                     L"Puts the icons back where the last restore found them" };
    const wchar_t* const verbs[] = { L"Save Desktop", L"Restore Desktop", L"Custom Save or Restore Desktop",
                                     L"Highlight Unmatched Icons", L"Settings...", L"undo" };
    wchar_t text[128];
    CHAR* buffer = reinterpret_cast<CHAR*>(text);
    for (UINT offset = 0; offset < 6; ++offset) {
        EXPECT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTW, nullptr, buffer, 128), S_OK);
        EXPECT_STREQ(text, helps[offset]);
        EXPECT_EQ(handler->GetCommandString(offset, GCS_VERBW, nullptr, buffer, 128), S_OK);
        EXPECT_STREQ(text, verbs[offset]);
        EXPECT_EQ(handler->GetCommandString(offset, GCS_VALIDATEW, nullptr, nullptr, 0), S_OK);
    }
    EXPECT_EQ(handler->GetCommandString(6, GCS_VALIDATEW, nullptr, nullptr, 0), S_FALSE);

    wmemset(text, L'#', 128);
    EXPECT_EQ(handler->GetCommandString(4, GCS_VERBW, nullptr, buffer, 5), S_OK);
    EXPECT_EQ(std::wstring(text, 6), std::wstring(L"Sett\0#", 6)) << "cut to the buffer and terminated";
    // Types it does not serve, and offsets that name nothing, leave the buffer alone.
    wmemset(text, L'#', 128);
    EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, buffer, 128), S_OK);
    EXPECT_EQ(handler->GetCommandString(0, GCS_VERBA, nullptr, buffer, 128), S_OK);
    EXPECT_EQ(handler->GetCommandString(7, GCS_HELPTEXTW, nullptr, buffer, 128), S_OK);
    EXPECT_EQ(text[0], L'#');
}

TEST_F(DeskMenuTest, AnswersForItsOwnInterfacesAndDispatchesThroughTheTypeLibrary)
{
    handler = NewInitialisedMenu();
    ASSERT_TRUE(handler);
    CComRef<IDispatch> dispatch;
    CComRef<IDispatch> deskMenu;
    CComRef<IUnknown> unknown;
    ASSERT_EQ(handler.Query(IID_IDispatch, dispatch), S_OK);
    ASSERT_EQ(handler.Query(IID_IDeskMenu, deskMenu), S_OK);
    EXPECT_EQ(dispatch.Get(), deskMenu.Get());
    EXPECT_EQ(handler.Query(IID_IObjectWithSite, unknown), S_OK);
    EXPECT_EQ(handler.Query(IID_IShellExtInit, unknown), S_OK);
    // No menu messages are wanted from the shell.
    EXPECT_EQ(handler.Query(IID_IContextMenu2, unknown), E_NOINTERFACE);
    EXPECT_EQ(handler.Query(IID_IContextMenu3, unknown), E_NOINTERFACE);

    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    CComRef<ITypeInfo> typeInfo;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0x409, typeInfo.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IDeskMenu));
    typeInfo->ReleaseTypeAttr(attr);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0x409, typeInfo.Put()), DISP_E_BADINDEX);
    // IDeskMenu has no members of its own.
    wchar_t name[] = L"Save";
    LPOLESTR names[] = { name };
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id), DISP_E_UNKNOWNNAME);
    DISPPARAMS params = {};
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0x409, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// A site that counts the references held on it.
class CCountedSite : public IUnknown
{
public:
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override
    {
        *result = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *result ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST_F(DeskMenuTest, TheSiteIsHeldCountedAndGivenBack)
{
    CCountedSite site;
    CCountedSite other;
    handler = NewInitialisedMenu();
    CComRef<IObjectWithSite> withSite;
    ASSERT_EQ(handler.Query(IID_IObjectWithSite, withSite), S_OK);
    CComRef<IUnknown> given;
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, given.PutVoid()), E_FAIL);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, nullptr), E_POINTER);

    withSite->SetSite(&site);
    withSite->SetSite(&site);
    EXPECT_EQ(site.refs, 2u) << "one reference, however often the same site is set";
    ASSERT_EQ(withSite->GetSite(IID_IUnknown, given.PutVoid()), S_OK);
    EXPECT_EQ(given.Get(), &site);
    EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, given.PutVoid()), E_NOINTERFACE);
    withSite->SetSite(&other);
    EXPECT_EQ(site.refs, 1u);
    withSite.Reset();
    handler.Reset();
    EXPECT_EQ(other.refs, 1u) << "the last release lets the site go";
}

TEST_F(DeskMenuTest, StringVerbsAndUnknownOffsetsFailAndRunNothing)
{
    ASSERT_EQ(Build(), kAddedSix);
    COwnerWindow owner;
    CUiDriver driver([](CUiDriver& ui) {
        if (!ui.StaysAway(L"Ostrel", 1500))
            ui.Fail("a command ran");
    });
    CMINVOKECOMMANDINFOEX info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner.Handle();
    info.lpVerb = "Save Desktop";
    EXPECT_EQ(handler->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), E_FAIL);
    info.fMask = CMIC_MASK_UNICODE; // the handler's own verb, in the Unicode field alone
    info.lpVerb = MAKEINTRESOURCEA(0);
    info.lpVerbW = L"Save Desktop";
    EXPECT_EQ(handler->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), E_FAIL);
    EXPECT_EQ(InvokeOffset(handler.Get(), 6, owner.Handle()), E_FAIL);
    driver.Finish();
    EXPECT_TRUE(driver.Errors().empty());
}

TEST_F(DeskMenuTest, WithoutADesktopEveryCommandTellsTheOwnerWindow)
{
    // No desktop host runs: there is no desktop list view in this process.
    ASSERT_EQ(Build(), kAddedSix);
    COwnerWindow owner;
    HWND ownerWindow = owner.Handle();
    for (UINT offset : { 0u, 1u, 2u, 3u, 5u }) {
        // Restore Desktop restores nothing, so Custom Save/Restore follows and tells again.
        const int reports = offset == 1 ? 2 : 1;
        CUiDriver driver([&](CUiDriver& ui) {
            for (int i = 0; i < reports; ++i) {
                HWND box = ui.WaitDialog(L"Ostrel");
                if (!box)
                    return;
                if (ui.MessageText(box) != L"Couldn't find desktop ListView" || GetWindow(box, GW_OWNER) != ownerWindow)
                    ui.Fail("message \"" + Narrow(ui.MessageText(box)) + "\" or its owner is wrong");
                ui.Click(box, IDOK);
                ui.WaitGone(box);
            }
            if (!ui.StaysAway(L"Ostrel", 500))
                ui.Fail("one message too many");
        });
        EXPECT_EQ(InvokeOffset(handler.Get(), offset, ownerWindow), S_OK);
        driver.Finish();
        for (const std::string& error : driver.Errors())
            ADD_FAILURE() << "offset " << offset << ": " << error;
    }
}

TEST_F(DeskMenuTest, TheMenuShowsWithItsCascadeSubmenu)
{
    ASSERT_EQ(Build(), kAddedSix);
    COwnerWindow owner;
    ShowWindow(owner.Handle(), SW_SHOW);
    int shown = 0;
    CUiDriver driver([&](CUiDriver& ui) {
        HWND popup = nullptr;
        for (int i = 0; i < 100 && !popup; ++i, Sleep(50))
            popup = FindWindowW(L"#32768", nullptr);
        if (!popup)
            return ui.Fail("the menu did not show");
        // Down to "Ostrel" past the separator, then into its submenu.
        for (UINT key : { VK_DOWN, VK_DOWN, VK_RIGHT }) {
            PostMessageW(popup, WM_KEYDOWN, key, 0);
            ui.Settle(300);
        }
        RECT all = {};
        for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32768", nullptr));) {
            RECT rect = {};
            if (IsWindowVisible(window) && GetWindowRect(window, &rect)) {
                UnionRect(&all, &all, &rect);
                ++shown;
            }
        }
        SaveScreenShot(all, L"context-menu.bmp");
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 200, 200, owner.Handle(), nullptr);
    driver.Finish();
    EXPECT_TRUE(driver.Errors().empty());
    EXPECT_EQ(shown, 2) << "the menu and its cascade submenu";
}

} // namespace
