#pragma once
#include <string>
#include "layout/SnapshotStore.h"
#include "watch/WatchContext.h"

// The watcher's restore: the stored layout of the display configuration on
// screen (full layout name, then base layout name, as Restore Desktop looks
// it up), or the newest `arranged` snapshot of its setup when that is newer,
// through the shell's view, with the cross-process engine. It never restores
// a layout stored for another configuration.
struct CWatchRestore
{
    enum Outcome
    {
        Unreachable,    // the shell's view of the desktop could not be opened
        NoLayout,       // no layout (or undo layout) stored for the configuration: nothing moved
        NoIcons,        // the layout holds no icon record: nothing moved
        Failed,         // the view could not be read: nothing moved
        DisplayChanged, // the configuration on screen changed before the move: nothing moved
        Restored,
    };
    Outcome outcome = Unreachable;
    std::wstring layoutName; // the layout restored ("the arrangement of 14:02" for a snapshot), or the full name looked for
    int requested = 0;       // icons that were not at their places
    int moved = 0;           // of those, the icons that got there
    HRESULT status = S_OK;   // of the move
    bool undoKept = true;    // what the restore replaced was kept for undo (or nothing moved, or not asked)
    bool undo = false;       // the restore undid the last one
    // A fit for a setup never seen: the setup of the newest snapshot it
    // drew on, the setup on screen, and the icons it placed.
    std::wstring fittedFrom;
    std::wstring fittedTo;
    int fittedIcons = 0;
};

// keepUndo: what the restore replaces is kept as the undo layout first; the
// watcher's second restore of one change keeps nothing, so that undo returns
// to where the first one started. withSnapshots ("Auto Snapshot"): the newer
// of the layout and the setup's newest arrangement; for a setup with neither
// an arrangement nor a layout of its full name, the arrangement fitted from
// the snapshots of its monitors (FitForSetup) when that is newer than the
// layout of its base name; else the layout only.
CWatchRestore RestoreOnScreenLayout(CShellCallState& state, bool keepUndo, bool withSnapshots);
// One snapshot that the user picked, keeping what it replaces for undo.
CWatchRestore RestoreSnapshot(CShellCallState& state, const SnapshotEntry& entry);
// "Undo Last Restore": the undo layout of the configuration on screen (its
// full layout name), restored the same way, so that a second undo returns to
// where the first started.
CWatchRestore UndoOnScreenRestore(CShellCallState& state);

// What the log and the notification icon say about it.
std::wstring DescribeRestore(const CWatchRestore& restore);
