#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// String table of the shell extension; the desktop commands of engine/ load
// some of its texts as well.
#include "deskshell/ShellExtStrings.h"

// Type library and manifest.
#define IDR_TYPELIB           1
#define IDR_MANIFEST          ISOLATIONAWARE_MANIFEST_RESOURCE_ID

// The module's icon, shown beside "Ostrel" in the Windows 11 menu.
#define IDI_OSTREL            1

// Custom Save/Restore dialog.
#define IDD_CUSTOM            202
#define IDC_RESTORE           4
#define IDC_SAVE              5
#define IDC_SAVE_FILE         6
#define IDC_RESTORE_FILE      7
#define IDC_CURRENT_NAME      201
#define IDC_LAYOUTS           206
#define IDC_DELETE            207
#define IDC_ABOUT             208

// Settings dialog.
#define IDD_SETTINGS          208
#define IDC_CONFIRM_SAVE      209
#define IDC_SAVE_CASCADE      210
#define IDC_SAVE_MAIN         211
#define IDC_RESTORE_CASCADE   212
#define IDC_RESTORE_MAIN      213
#define IDC_CUSTOM_CASCADE    214
#define IDC_CUSTOM_MAIN       215
#define IDC_HILITE_CASCADE    216
#define IDC_HILITE_MAIN       217
#define IDC_CONFIRM_RESTORE   218
#define IDC_FORCE_VISIBLE     219
#define IDC_AUTO_RESTORE      220
#define IDC_AUTO_SNAPSHOT     221
