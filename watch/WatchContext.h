#pragma once
#include <windows.h>
#include "layout/DisplayConfig.h"
#include "shellview/StoreFlavor.h"
#include "watch/Settle.h"
#include "watch/WatchLog.h"

// The state of the watcher's run, handed to every step of it.
struct CWatchContext
{
    CLayoutFlavor flavor = CliFlavor(GetModuleHandleW(nullptr));
    CDisplayConfig display;   // captured afresh for each look; holds the icon size
    bool viewFlags = false;   // common controls 5.82 or later: the restore switches the view's flags
    CWatchLog log{ DefaultWatchLogPath() };
    CWatchClock* clock = &SystemWatchClock();
};
