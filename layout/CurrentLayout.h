#pragma once
#include "layout/DisplayConfig.h"
#include "layout/LayoutFlavor.h"
#include "layout/WideString.h"

// The stored layout of the display configuration on screen, as Restore
// Desktop and the watcher look it up: the first stored name equal to the full
// layout name, else to the base layout name, letter case counting. Absent
// when the store holds neither. display is captured, with monitorCount its
// monitor count.
CWideString FindCurrentLayout(const CLayoutFlavor& flavor, const CDisplayConfig& display, int monitorCount);

// When the stored layout of that name was last saved: the last-write time of
// its key (UTC); false when it cannot be read.
bool LayoutSavedAt(const CLayoutFlavor& flavor, const wchar_t* name, FILETIME& savedAt);

// The watcher's "Auto Restore" setting (kAutoRestoreValue in the layout store
// key): on unless the value is a 4-byte REG_DWORD of 0.
bool ReadAutoRestore(const CLayoutFlavor& flavor);
// Its "Auto Snapshot" setting (kAutoSnapshotValue), read the same way.
bool ReadAutoSnapshot(const CLayoutFlavor& flavor);
