#pragma once
#include <windows.h>
#include "layout/DisplayConfig.h"
#include "shellview/StoreFlavor.h"
#include "watch/Settle.h"
#include "watch/WatchLog.h"

// The state of the watcher's run, handed to every step of its window thread.
struct CWatchContext
{
    CLayoutFlavor flavor = CliFlavor(GetModuleHandleW(nullptr));
    bool viewFlags = false;   // common controls 5.82 or later: the restore switches the view's flags
    CWatchLog log{ DefaultWatchLogPath() };
    CWatchClock* clock = &SystemWatchClock();
    ULONGLONG lookInterval = 20000; // between the looks for snapshots ("/look <seconds>")
};

// What the calls into the shell's process need (looks, restores, undo). The
// thread that makes them has its own (watch/ShellWorker), and nothing of the
// window thread's.
struct CShellCallState
{
    CShellCallState(const CLayoutFlavor& flavorOf, bool viewFlagsOn) : flavor(flavorOf), viewFlags(viewFlagsOn) {}

    CLayoutFlavor flavor;
    bool viewFlags = false;
    CDisplayConfig display;   // captured afresh for each call; holds the icon size
};
