// The context-menu handler made through COM as the shell makes it: the menu
// it builds, the texts it gives the shell, its interfaces, its site.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <string>
#include <vector>
#include "shellext/DeskMenuIds.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/MenuSupport.h"
#include "tests/shellext/ServerDll.h"
#include "tests/shellext/UiDriver.h"

namespace {

using Texts = std::vector<std::wstring>;

const HRESULT kAddedFive = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5);
const HRESULT kAddedNothing = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);

class DeskMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(CServerDll::Get().Module(), nullptr);
        menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, 1, L"Before");
        AppendMenuW(menu, MF_STRING, 2, L"After");
    }
    void TearDown() override { DestroyMenu(menu); }

    // The handler's items built into menu at position 1, identifiers from 100.
    HRESULT Build(UINT flags = CMF_NORMAL, UINT firstId = 100, UINT lastId = 0x7FFF)
    {
        handler = NewInitialisedMenu();
        if (!handler)
            return E_FAIL;
        return handler->QueryContextMenu(menu, 1, firstId, lastId, flags);
    }
    HMENU Cascade() const { return GetSubMenu(menu, 2); }

    CScopedUserHive hive;
    CComApartment apartment;
    CScopedClassObject classObject;
    HMENU menu = nullptr;
    CComRef<IContextMenu> handler;
};

TEST_F(DeskMenuTest, DefaultSettingsPutEveryCommandIntoTheCascadeSubmenu)
{
    ASSERT_EQ(Build(), kAddedFive);
    EXPECT_EQ(MenuTexts(menu), (Texts{ L"Before", L"-", L"Ostrel", L"After" }));
    ASSERT_NE(Cascade(), nullptr);
    const std::vector<MenuEntry> entries = MenuEntries(Cascade());
    const Texts labels = { L"Sa&ve Desktop...", L"Restore &Desktop", L"C&ustom Save/Restore...",
                           L"Highlight Unmatched Icons", L"Settings..." };
    ASSERT_EQ(entries.size(), labels.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].text, labels[i]);
        EXPECT_EQ(entries[i].id, 100 + i);
    }
}

TEST_F(DeskMenuTest, CascadeAndConfirmSettingsDecidePlacesAndLabels)
{
    StoreSetting(L"Cascade Save", 0);
    StoreSetting(L"Cascade Restore", 0);
    StoreSetting(L"Cascade Custom", 0);
    StoreSetting(L"Cascade Hilite", 0);
    StoreSetting(L"Confirm Save", 0);
    StoreSetting(L"Confirm Restore", 1);
    ASSERT_EQ(Build(), kAddedFive);
    EXPECT_EQ(MenuTexts(menu), (Texts{ L"Before", L"-", L"Ostrel", L"Sa&ve Desktop", L"Restore &Desktop...",
                                       L"C&ustom Save/Restore...", L"Highlight Unmatched Icons", L"After" }));
    EXPECT_EQ(MenuEntries(menu)[4].id, 101u);
    EXPECT_EQ(MenuTexts(Cascade()), (Texts{ L"Settings..." }));
}

TEST_F(DeskMenuTest, SomeCommandsInTheMainMenuKeepTheirOrder)
{
    StoreSetting(L"Cascade Restore", 0);
    StoreSetting(L"Cascade Hilite", 0);
    // Any non-zero number is on.
    StoreSetting(L"Confirm Restore", 7);
    ASSERT_EQ(Build(), kAddedFive);
    EXPECT_EQ(MenuTexts(menu), (Texts{ L"Before", L"-", L"Ostrel", L"Restore &Desktop...",
                                       L"Highlight Unmatched Icons", L"After" }));
    EXPECT_EQ(MenuTexts(Cascade()), (Texts{ L"Sa&ve Desktop...", L"C&ustom Save/Restore...", L"Settings..." }));
}

TEST_F(DeskMenuTest, ValuesOfTheWrongTypeOrSizeReadAsDefaults)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", L"Cascade Save", REG_SZ, L"0", 4);
    const WORD shortValue = 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", L"Confirm Save", REG_DWORD, &shortValue, 2);
    const DWORD binary = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", L"Confirm Restore", REG_BINARY, &binary, 4);
    ASSERT_EQ(Build(), kAddedFive);
    EXPECT_EQ(MenuTexts(menu), (Texts{ L"Before", L"-", L"Ostrel", L"After" }));
    EXPECT_EQ(MenuTexts(Cascade())[0], L"Sa&ve Desktop...");
    EXPECT_EQ(MenuTexts(Cascade())[1], L"Restore &Desktop");
}

TEST_F(DeskMenuTest, AddsNothingWhenExploringOrShortOfIdentifiers)
{
    const Texts untouched = { L"Before", L"After" };
    EXPECT_EQ(Build(CMF_EXPLORE), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);
    // Only five identifiers from 100 to 103 inclusive would collide with the next handler's.
    EXPECT_EQ(Build(CMF_NORMAL, 100, 103), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);
    EXPECT_EQ(Build(CMF_NORMAL, 100, 99), kAddedNothing);
    EXPECT_EQ(MenuTexts(menu), untouched);

    EXPECT_EQ(Build(CMF_DEFAULTONLY, 100, 104), kAddedFive);
    EXPECT_EQ(MenuTexts(menu).size(), 4u);
    EXPECT_EQ(MenuEntries(Cascade()).back().id, 104u);
}

TEST_F(DeskMenuTest, TheMenuShowsWithItsCascadeSubmenu)
{
    ASSERT_EQ(Build(), kAddedFive);
    COwnerWindow owner;
    ShowWindow(owner.Handle(), SW_SHOW);
    int shown = 0;
    CUiDriver driver([&](CUiDriver& ui) {
        // Down to "Ostrel" past the separator, then open the submenu.
        HWND popup = nullptr;
        for (int i = 0; i < 100 && !popup; ++i, Sleep(50))
            popup = FindWindowW(L"#32768", nullptr);
        if (!popup) {
            ui.Fail("the menu did not show");
            return;
        }
        for (UINT key : { VK_DOWN, VK_DOWN, VK_RIGHT }) {
            PostMessageW(popup, WM_KEYDOWN, key, 0);
            ui.Settle(300);
        }
        RECT all = {};
        for (HWND menuWindow = nullptr; (menuWindow = FindWindowExW(nullptr, menuWindow, L"#32768", nullptr));) {
            if (!IsWindowVisible(menuWindow))
                continue;
            RECT rect = {};
            GetWindowRect(menuWindow, &rect);
            UnionRect(&all, &all, &rect);
            ++shown;
        }
        SaveScreenShot(all, L"context-menu.bmp");
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 200, 200, owner.Handle(), nullptr);
    driver.Finish();
    for (const std::string& error : driver.Errors())
        ADD_FAILURE() << error;
    EXPECT_EQ(shown, 2) << "the menu and its cascade submenu";
}

TEST_F(DeskMenuTest, CommandStringsGiveHelpTextsVerbsAndValidation)
{
    ASSERT_EQ(Build(), kAddedFive);
    const wchar_t* const helps[] = { L"Stores the current desktop icon layout for later restoration",
                                     L"Restores the saved desktop icon layout",
                                     L"Allows custom Save/Restore/Configuration of Layouts",
                                     L"Locate and highlight unmatched icons", L"Specify Ostrel settings" };
    const wchar_t* const verbs[] = { L"Save Desktop", L"Restore Desktop", L"Custom Save or Restore Desktop",
                                     L"Highlight Unmatched Icons", L"Settings..." };
    wchar_t text[128];
    for (UINT offset = 0; offset < 5; ++offset) {
        ASSERT_EQ(handler->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(text), 128), S_OK);
        EXPECT_STREQ(text, helps[offset]);
        ASSERT_EQ(handler->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(text), 128), S_OK);
        EXPECT_STREQ(text, verbs[offset]);
        EXPECT_EQ(handler->GetCommandString(offset, GCS_VALIDATEW, nullptr, nullptr, 0), S_OK);
    }

    // Cut to the caller's buffer, always terminated.
    wmemset(text, L'#', 128);
    ASSERT_EQ(handler->GetCommandString(4, GCS_VERBW, nullptr, reinterpret_cast<CHAR*>(text), 5), S_OK);
    EXPECT_STREQ(text, L"Sett");
    EXPECT_EQ(text[5], L'#');

    EXPECT_EQ(handler->GetCommandString(5, GCS_VALIDATEW, nullptr, nullptr, 0), S_FALSE);
    // Types it does not serve, and offsets that name nothing, leave the buffer alone.
    wmemset(text, L'#', 128);
    EXPECT_EQ(handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, reinterpret_cast<CHAR*>(text), 128), S_OK);
    EXPECT_EQ(handler->GetCommandString(0, GCS_VERBA, nullptr, reinterpret_cast<CHAR*>(text), 128), S_OK);
    EXPECT_EQ(handler->GetCommandString(7, GCS_HELPTEXTW, nullptr, reinterpret_cast<CHAR*>(text), 128), S_OK);
    EXPECT_EQ(text[0], L'#');
}

TEST_F(DeskMenuTest, AnswersForItsOwnInterfacesOnly)
{
    handler = NewInitialisedMenu();
    ASSERT_TRUE(handler);
    CComRef<IUnknown> identity;
    ASSERT_EQ(handler.Query(IID_IUnknown, identity), S_OK);
    CComRef<IDispatch> dispatch;
    CComRef<IDispatch> deskMenu;
    ASSERT_EQ(handler.Query(IID_IDispatch, dispatch), S_OK);
    ASSERT_EQ(handler.Query(IID_IDeskMenu, deskMenu), S_OK);
    EXPECT_EQ(dispatch.Get(), deskMenu.Get());
    CComRef<IObjectWithSite> withSite;
    EXPECT_EQ(handler.Query(IID_IObjectWithSite, withSite), S_OK);
    CComRef<IUnknown> again;
    ASSERT_EQ(withSite.Query(IID_IUnknown, again), S_OK);
    EXPECT_EQ(again.Get(), identity.Get());

    // No menu messages are wanted from the shell.
    CComRef<IUnknown> none;
    EXPECT_EQ(handler.Query(IID_IContextMenu2, none), E_NOINTERFACE);
    EXPECT_EQ(handler.Query(IID_IContextMenu3, none), E_NOINTERFACE);
    EXPECT_EQ(handler.Query(IID_IPersist, none), E_NOINTERFACE);
}

TEST_F(DeskMenuTest, DispatchGoesThroughTheTypeLibrary)
{
    handler = NewInitialisedMenu();
    CComRef<IDispatch> dispatch;
    ASSERT_EQ(handler.Query(IID_IDispatch, dispatch), S_OK);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    CComRef<ITypeInfo> typeInfo;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0x409, typeInfo.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IDeskMenu));
    typeInfo->ReleaseTypeAttr(attr);
    CComRef<ITypeInfo> none;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0x409, none.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(none.Get(), nullptr);

    // The interface has no members of its own.
    wchar_t name[] = L"Save";
    LPOLESTR names[] = { name };
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDeskMenu, names, 1, 0x409, &id), DISP_E_UNKNOWNINTERFACE);
    DISPPARAMS params = {};
    EXPECT_EQ(dispatch->Invoke(1, IID_NULL, 0x409, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

// A site that counts the references the handler holds on it.
class CCountedSite : public IServiceProvider
{
public:
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IServiceProvider)) {
            *result = static_cast<IServiceProvider*>(this);
            AddRef();
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP QueryService(REFGUID, REFIID, void** result) override
    {
        *result = nullptr;
        return E_NOINTERFACE;
    }
};

TEST_F(DeskMenuTest, SiteIsHeldCountedAndGivenBack)
{
    CCountedSite site;
    CCountedSite other;
    {
        handler = NewInitialisedMenu();
        CComRef<IObjectWithSite> withSite;
        ASSERT_EQ(handler.Query(IID_IObjectWithSite, withSite), S_OK);

        void* result = reinterpret_cast<void*>(1);
        EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, &result), E_FAIL);
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, nullptr), E_POINTER);

        EXPECT_EQ(withSite->SetSite(&site), S_OK);
        EXPECT_EQ(site.refs, 2u);
        EXPECT_EQ(withSite->SetSite(&site), S_OK);
        EXPECT_EQ(site.refs, 2u) << "the same site set again";
        IServiceProvider* provider = nullptr;
        ASSERT_EQ(withSite->GetSite(IID_IServiceProvider, reinterpret_cast<void**>(&provider)), S_OK);
        EXPECT_EQ(provider, &site);
        provider->Release();
        CComRef<IUnknown> none;
        EXPECT_EQ(withSite->GetSite(IID_IDispatch, none.PutVoid()), E_NOINTERFACE);

        EXPECT_EQ(withSite->SetSite(&other), S_OK);
        EXPECT_EQ(site.refs, 1u);
        EXPECT_EQ(other.refs, 2u);
        handler.Reset();
    }
    EXPECT_EQ(other.refs, 1u) << "the last release lets the site go";
}

TEST_F(DeskMenuTest, StringVerbsAndUnknownOffsetsRunNothing)
{
    handler = NewInitialisedMenu();
    ASSERT_EQ(handler->QueryContextMenu(menu, 1, 100, 0x7FFF, CMF_NORMAL), kAddedFive);
    COwnerWindow owner;
    CUiDriver driver([](CUiDriver& ui) {
        if (!ui.StaysAway(L"Ostrel", 1500))
            ui.Fail("a command ran");
    });
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner.Handle();
    info.lpVerb = "Save Desktop";
    EXPECT_EQ(handler->InvokeCommand(&info), S_OK);
    EXPECT_EQ(InvokeOffset(handler.Get(), 5, owner.Handle()), S_OK);
    driver.Finish();
    EXPECT_TRUE(driver.Errors().empty()) << driver.Errors()[0];
}

TEST_F(DeskMenuTest, WithoutADesktopEachCommandReportsItToTheOwnerWindow)
{
    // No desktop host runs: there is no desktop list view in this process.
    COwnerWindow owner;
    HWND ownerWindow = owner.Handle();
    handler = NewInitialisedMenu();
    ASSERT_EQ(handler->QueryContextMenu(menu, 1, 100, 0x7FFF, CMF_NORMAL), kAddedFive);
    for (UINT offset : { 0u, 1u, 2u, 3u }) {
        // Restore Desktop restores nothing, so the Custom Save/Restore command follows and reports again.
        const int reports = offset == 1 ? 2 : 1;
        CUiDriver driver([&](CUiDriver& ui) {
            for (int i = 0; i < reports; ++i) {
                HWND box = ui.WaitDialog(L"Ostrel");
                if (!box)
                    return;
                if (ui.MessageText(box) != L"Couldn't find desktop ListView")
                    ui.Fail("message: " + Narrow(ui.MessageText(box)));
                if (GetWindow(box, GW_OWNER) != ownerWindow)
                    ui.Fail("the box is not owned by the invoking window");
                ui.Click(box, IDOK);
                ui.WaitGone(box);
            }
            if (!ui.StaysAway(L"Ostrel", 500))
                ui.Fail("one report too many");
        });
        EXPECT_EQ(InvokeOffset(handler.Get(), offset, ownerWindow), S_OK);
        driver.Finish();
        EXPECT_TRUE(driver.Errors().empty()) << "offset " << offset << ": " << driver.Errors()[0];
    }
}

} // namespace
