#pragma once
#include <windows.h>
#include "deskshell/DeskContext.h"

// The settings are REG_DWORD values of the layout store key. A missing value,
// or one that is not a 4-byte REG_DWORD, reads as its default; any non-zero
// number is on. Writing stores 0 or 1, then tells the running watcher
// (OstrelWatch.exe) to read them again.
CDeskSettings ReadDeskSettings(const CLayoutFlavor& flavor);
void WriteDeskSettings(const CLayoutFlavor& flavor, const CDeskSettings& settings);

// The Settings dialog (208) over block, without an owner window: on OK the
// block holds the choices. Returns the dialog's result (IDOK, IDCANCEL, or -1
// when it could not be shown).
INT_PTR ShowSettingsDialog(HINSTANCE resources, CDeskSettings& block);

// The Settings command of the context menu: the dialog, then the registry
// unless the user cancelled.
void SettingsCommand(CDeskContext& context);
