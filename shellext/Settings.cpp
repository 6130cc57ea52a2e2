#include "shellext/Settings.h"
#include "layout/RegKey.h"
#include "layout/StoreLock.h"
#include "layout/WatchNames.h"
#include "shellext/ActCtx.h"
#include "shellext/resource.h"

namespace {

struct CSettingInfo
{
    const wchar_t* valueName;
    DWORD CDeskSettings::*field;
    int onControl;  // radio button "Host in cascade menu", or the check box
    int offControl; // radio button "Host in main menu"; 0 for a check box
};

// In stored order.
const CSettingInfo kSettings[] = {
    { L"Cascade Save", &CDeskSettings::cascadeSave, IDC_SAVE_CASCADE, IDC_SAVE_MAIN },
    { L"Cascade Restore", &CDeskSettings::cascadeRestore, IDC_RESTORE_CASCADE, IDC_RESTORE_MAIN },
    { L"Cascade Custom", &CDeskSettings::cascadeCustom, IDC_CUSTOM_CASCADE, IDC_CUSTOM_MAIN },
    { L"Cascade Hilite", &CDeskSettings::cascadeHilite, IDC_HILITE_CASCADE, IDC_HILITE_MAIN },
    { L"Confirm Save", &CDeskSettings::confirmSave, IDC_CONFIRM_SAVE, 0 },
    { L"Confirm Restore", &CDeskSettings::confirmRestore, IDC_CONFIRM_RESTORE, 0 },
    { L"Force Visible", &CDeskSettings::forceVisible, IDC_FORCE_VISIBLE, 0 },
    { kAutoRestoreValue, &CDeskSettings::autoRestore, IDC_AUTO_RESTORE, 0 },
    { kAutoSnapshotValue, &CDeskSettings::autoSnapshot, IDC_AUTO_SNAPSHOT, 0 },
};

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const CDeskSettings* block = reinterpret_cast<const CDeskSettings*>(lParam);
        if (!block)
            return FALSE;
        for (const CSettingInfo& setting : kSettings) {
            const bool on = block->*setting.field != 0;
            if (setting.offControl)
                CheckRadioButton(dialog, setting.onControl, setting.offControl,
                                 on ? setting.onControl : setting.offControl);
            else
                CheckDlgButton(dialog, setting.onControl, on ? BST_CHECKED : BST_UNCHECKED);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            CDeskSettings* block = reinterpret_cast<CDeskSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
            if (block)
                for (const CSettingInfo& setting : kSettings)
                    block->*setting.field = IsDlgButtonChecked(dialog, setting.onControl) == BST_CHECKED ? 1 : 0;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

} // namespace

CDeskSettings ReadDeskSettings(const CLayoutFlavor& flavor)
{
    const CDeskSettings defaults;
    CDeskSettings settings;
    CRegKey key(LayoutStorePath(flavor).c_str(), KEY_READ);
    for (const CSettingInfo& setting : kSettings)
        settings.*setting.field = key.ReadNumber(setting.valueName, defaults.*setting.field);
    return settings;
}

void WriteDeskSettings(const CLayoutFlavor& flavor, const CDeskSettings& settings)
{
    // Each setting is one value written in one step; the lock keeps the
    // writers of the store one at a time. When the wait runs out, the
    // settings are written all the same.
    const CStoreLock lock(flavor);
    if (lock.StorePath().IsAbsent())
        return;
    CRegKey key(lock.StorePath().c_str(), KEY_ALL_ACCESS);
    if (!key.IsOpen())
        return;
    for (const CSettingInfo& setting : kSettings)
        key.WriteNumber(setting.valueName, settings.*setting.field ? 1 : 0);
    // Posted, never sent: a broadcast SendMessage would wait on every
    // top-level window of the desktop, hung ones included, while the shell's
    // user-interface thread runs this. A broadcast reaches top-level windows
    // only, which the watcher's window is.
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(kWatchSettingsMessage), 0, 0);
}

INT_PTR ShowSettingsDialog(HINSTANCE resources, CDeskSettings& block)
{
    return ActCtxDialogBoxParam(resources, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, SettingsDialogProc,
                                reinterpret_cast<LPARAM>(&block));
}

void SettingsCommand(CDeskContext& context)
{
    CDeskSettings block = context.settings;
    if (ShowSettingsDialog(context.flavor.resources, block) == IDCANCEL)
        return;
    WriteDeskSettings(context.flavor, block);
}
