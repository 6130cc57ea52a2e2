// The Settings command as the user works it: the dialog shows the stored
// settings, OK stores all nine and tells the watcher, Cancel and the close
// box store nothing, and the next menu follows what was stored.
#include <windows.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "layout/WatchNames.h"
#include "shellext/resource.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

const wchar_t kCaption[] = L"Ostrel Settings";
const wchar_t* const kNames[] = { L"Cascade Save", L"Cascade Restore", L"Cascade Custom", L"Cascade Hilite",
                                  L"Confirm Save", L"Confirm Restore", L"Force Visible", kAutoRestoreValue,
                                  kAutoSnapshotValue };
const int kOnControls[] = { IDC_SAVE_CASCADE, IDC_RESTORE_CASCADE, IDC_CUSTOM_CASCADE, IDC_HILITE_CASCADE,
                            IDC_CONFIRM_SAVE, IDC_CONFIRM_RESTORE, IDC_FORCE_VISIBLE, IDC_AUTO_RESTORE,
                            IDC_AUTO_SNAPSHOT };

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(CServerDll::Get().Module(), nullptr); }

    // The Settings command of a fresh handler; the script works the dialog.
    void RunSettings(const std::function<void(CUiDriver&, HWND)>& work)
    {
        CComRef<IContextMenu> handler = NewInitialisedMenu();
        ASSERT_TRUE(handler);
        HMENU menu = CreatePopupMenu();
        handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
        CUiDriver driver([&](CUiDriver& ui) {
            if (HWND dialog = ui.WaitDialog(kCaption)) {
                work(ui, dialog);
                ui.WaitGone(dialog);
            }
        });
        EXPECT_EQ(InvokeOffset(handler.Get(), 4, owner.Handle()), S_OK);
        // The owner window, top-level, gets the broadcast as the watcher's does.
        MSG msg;
        const UINT told = RegisterWindowMessageW(kWatchSettingsMessage);
        watcherTold = PeekMessageW(&msg, owner.Handle(), told, told, PM_REMOVE) != FALSE;
        driver.Finish();
        DestroyMenu(menu);
        for (const std::string& error : driver.Errors())
            ADD_FAILURE() << error;
    }

    // The nine states the dialog shows: the "Host in cascade menu" buttons,
    // then the check boxes; a radio pair whose buttons agree shows as -1.
    static std::vector<int> Shown(CUiDriver& ui, HWND dialog)
    {
        std::vector<int> shown;
        for (int i = 0; i < 9; ++i) {
            const bool on = ui.IsChecked(dialog, kOnControls[i]);
            shown.push_back(i < 4 && on == ui.IsChecked(dialog, kOnControls[i] + 1) ? -1 : on);
        }
        return shown;
    }

    static std::vector<long> Stored()
    {
        std::vector<long> stored;
        for (const wchar_t* name : kNames)
            stored.push_back(StoredSetting(name));
        return stored;
    }

    CScopedUserHive hive;
    CShellApartment apartment;
    COwnerWindow owner;
    bool watcherTold = false;
};

TEST_F(SettingsTest, OpensWithTheDefaultsUnderTheModulesManifestAndCancelStoresNothing)
{
    std::vector<int> shown;
    bool unowned = false;
    bool version6 = false;
    RunSettings([&](CUiDriver& ui, HWND dialog) {
        shown = Shown(ui, dialog);
        unowned = GetWindow(dialog, GW_OWNER) == nullptr;
        // Only version 6 of the common controls answers this, and the test
        // program has no manifest of its own: the module's is in force.
        SIZE ideal = {};
        version6 = SendDlgItemMessageW(dialog, IDOK, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
        // The longest text of the dialog shows whole.
        RECT box = {};
        GetClientRect(GetDlgItem(dialog, IDC_AUTO_RESTORE), &box);
        SendDlgItemMessageW(dialog, IDC_AUTO_RESTORE, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal));
        EXPECT_LE(ideal.cx, box.right);
        SaveScreenShot(dialog, L"settings-dialog.bmp");
        ui.Click(dialog, IDC_SAVE_MAIN);
        ui.Click(dialog, IDC_CONFIRM_RESTORE);
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown, (std::vector<int>{ 1, 1, 1, 1, 1, 0, 0, 1, 1 }));
    EXPECT_TRUE(unowned);
    EXPECT_TRUE(version6);
    EXPECT_EQ(Stored(), std::vector<long>(9, -1));
    EXPECT_FALSE(watcherTold);
}

TEST_F(SettingsTest, OkStoresAllNineTellsTheWatcherAndTheNextMenuFollowsWhileTheCloseBoxStoresNothing)
{
    RunSettings([](CUiDriver& ui, HWND dialog) {
        ui.Click(dialog, IDC_HILITE_MAIN);
        ui.Settle();
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(Stored(), std::vector<long>(9, -1));
    EXPECT_FALSE(watcherTold);

    RunSettings([](CUiDriver& ui, HWND dialog) {
        ui.Click(dialog, IDC_RESTORE_MAIN);
        ui.Click(dialog, IDC_FORCE_VISIBLE);
        ui.Click(dialog, IDC_AUTO_RESTORE);
        ui.Click(dialog, IDC_AUTO_SNAPSHOT);
        ui.Settle();
        ui.Click(dialog, IDOK);
    });
    EXPECT_EQ(Stored(), (std::vector<long>{ 1, 0, 1, 1, 1, 0, 1, 0, 0 }));
    EXPECT_TRUE(watcherTold);
    CComRef<IContextMenu> next = NewInitialisedMenu();
    HMENU menu = CreatePopupMenu();
    next->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    EXPECT_EQ(MenuTexts(menu), (std::vector<std::wstring>{ L"-", L"Ostrel", L"Restore &Desktop" }));
    DestroyMenu(menu);
}

TEST_F(SettingsTest, StoredValuesShowAndOkWritesThemBackAsProperNumbers)
{
    StoreSetting(L"Confirm Restore", 7);
    StoreSetting(L"Cascade Custom", 0);
    StoreSetting(L"Confirm Save", 0);
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", L"Cascade Hilite", REG_SZ, L"0", 4);
    std::vector<int> shown;
    RunSettings([&](CUiDriver& ui, HWND dialog) {
        shown = Shown(ui, dialog);
        ui.Click(dialog, IDOK);
    });
    EXPECT_EQ(shown, (std::vector<int>{ 1, 1, 0, 1, 0, 1, 0, 1, 1 }));
    EXPECT_EQ(Stored(), (std::vector<long>{ 1, 1, 0, 1, 0, 1, 0, 1, 1 }));
}

} // namespace
