#pragma once

// Resources of the watcher: the store key and layout-name pieces it shares
// with the command-line tool, and the notification icon's menu.
#include "shellview/StoreStrings.h"

#define IDR_WATCH_MENU        200
#define IDM_RESTORE_NOW       201
#define IDM_PAUSE             202
#define IDM_OPEN_LOG          203
#define IDM_EXIT              204
#define IDM_UNDO              205
#define IDM_EARLIER           206
#define IDM_OPEN_SNAPSHOTS    207
#define IDM_EARLIER_FIRST     300
#define IDM_EARLIER_LAST      309
