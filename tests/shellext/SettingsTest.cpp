// The Settings command as the user works it: the dialog shows the stored
// settings, OK stores all seven, Cancel stores nothing, and the next menu
// follows what was stored.
#include <windows.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "shellext/resource.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/MenuSupport.h"
#include "tests/shellext/ServerDll.h"
#include "tests/shellext/UiDriver.h"

namespace {

const wchar_t kSettingsCaption[] = L"Ostrel Settings";
const wchar_t* const kValueNames[] = { L"Cascade Save", L"Cascade Restore", L"Cascade Custom", L"Cascade Hilite",
                                       L"Confirm Save", L"Confirm Restore", L"Force Visible" };

// Control states of the dialog: the "Host in cascade menu" buttons of the
// four commands, then the three check boxes.
struct DialogState
{
    bool cascade[4];
    bool confirmSave;
    bool confirmRestore;
    bool forceVisible;
};

void ReadState(CUiDriver& ui, HWND dialog, DialogState& state)
{
    const int cascadeIds[] = { IDC_SAVE_CASCADE, IDC_RESTORE_CASCADE, IDC_CUSTOM_CASCADE, IDC_HILITE_CASCADE };
    for (int i = 0; i < 4; ++i) {
        state.cascade[i] = ui.IsChecked(dialog, cascadeIds[i]);
        // Exactly one button of each pair is set.
        if (ui.IsChecked(dialog, cascadeIds[i] + 1) == state.cascade[i])
            ui.Fail("radio pair " + std::to_string(cascadeIds[i]) + " is not exclusive");
    }
    state.confirmSave = ui.IsChecked(dialog, IDC_CONFIRM_SAVE);
    state.confirmRestore = ui.IsChecked(dialog, IDC_CONFIRM_RESTORE);
    state.forceVisible = ui.IsChecked(dialog, IDC_FORCE_VISIBLE);
}

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(CServerDll::Get().Module(), nullptr); }

    // Runs the Settings command of a fresh handler while the script works the dialog.
    void RunSettings(const CUiDriver::Script& script)
    {
        CComRef<IContextMenu> handler = NewInitialisedMenu();
        ASSERT_TRUE(handler);
        HMENU menu = CreatePopupMenu();
        handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
        CUiDriver driver(script);
        EXPECT_EQ(InvokeOffset(handler.Get(), 4, owner.Handle()), S_OK);
        driver.Finish();
        DestroyMenu(menu);
        for (const std::string& error : driver.Errors())
            ADD_FAILURE() << error;
    }

    CScopedUserHive hive;
    CComApartment apartment;
    CScopedClassObject classObject;
    COwnerWindow owner;
};

TEST_F(SettingsTest, OpensWithTheDefaultsAndCancelStoresNothing)
{
    DialogState state = {};
    bool themed = false;
    bool unowned = false;
    RunSettings([&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kSettingsCaption);
        if (!dialog)
            return;
        ReadState(ui, dialog, state);
        unowned = GetWindow(dialog, GW_OWNER) == nullptr;
        // Only version 6 of the common controls answers this: the module's
        // manifest is in force although the test program has none.
        SIZE ideal = {};
        themed = SendDlgItemMessageW(dialog, IDOK, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
        SaveScreenShot(dialog, L"settings-dialog.bmp");
        ui.Click(dialog, IDC_SAVE_MAIN);
        ui.Click(dialog, IDC_CONFIRM_RESTORE);
        ui.Settle();
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(state.cascade[0] && state.cascade[1] && state.cascade[2] && state.cascade[3]);
    EXPECT_TRUE(state.confirmSave);
    EXPECT_FALSE(state.confirmRestore);
    EXPECT_FALSE(state.forceVisible);
    EXPECT_TRUE(unowned) << "the Settings dialog has no owner window";
    EXPECT_TRUE(themed) << "the dialog does not use version 6 of the common controls";
    for (const wchar_t* name : kValueNames)
        EXPECT_EQ(StoredSetting(name), -1) << Narrow(name);
}

TEST_F(SettingsTest, OkStoresAllSevenAndTheNextMenuFollows)
{
    RunSettings([](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kSettingsCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDC_RESTORE_MAIN);
        ui.Click(dialog, IDC_FORCE_VISIBLE);
        ui.Settle();
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    const long expected[] = { 1, 0, 1, 1, 1, 0, 1 };
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(StoredSetting(kValueNames[i]), expected[i]) << Narrow(kValueNames[i]);

    CComRef<IContextMenu> next = NewInitialisedMenu();
    HMENU menu = CreatePopupMenu();
    ASSERT_EQ(next->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
    EXPECT_EQ(MenuTexts(menu), (std::vector<std::wstring>{ L"-", L"Ostrel", L"Restore &Desktop" }));
    DestroyMenu(menu);
}

TEST_F(SettingsTest, StoredValuesShowAndOkWritesThemBackAsProperNumbers)
{
    StoreSetting(L"Confirm Restore", 7);
    StoreSetting(L"Cascade Custom", 0);
    StoreSetting(L"Confirm Save", 0);
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", L"Cascade Hilite", REG_SZ, L"0", 4);
    DialogState state = {};
    RunSettings([&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kSettingsCaption);
        if (!dialog)
            return;
        ReadState(ui, dialog, state);
        ui.Click(dialog, IDOK);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(state.cascade[0]);
    EXPECT_TRUE(state.cascade[1]);
    EXPECT_FALSE(state.cascade[2]);
    EXPECT_TRUE(state.cascade[3]) << "a text value reads as the default";
    EXPECT_FALSE(state.confirmSave);
    EXPECT_TRUE(state.confirmRestore);
    const long expected[] = { 1, 1, 0, 1, 0, 1, 0 };
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(StoredSetting(kValueNames[i]), expected[i]) << Narrow(kValueNames[i]);
}

TEST_F(SettingsTest, ClosingTheDialogStoresNothing)
{
    StoreSetting(L"Cascade Save", 0);
    RunSettings([](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kSettingsCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDC_SAVE_CASCADE);
        ui.Settle();
        // The close box.
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ui.WaitGone(dialog);
    });
    EXPECT_EQ(StoredSetting(L"Cascade Save"), 0);
    EXPECT_EQ(StoredSetting(L"Confirm Save"), -1);
}

} // namespace
