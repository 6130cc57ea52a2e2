#pragma once
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"
#include "layout/DisplaySetup.h"
#include "layout/IconRecord.h"
#include "layout/LayoutFlavor.h"
#include "layout/LayoutStore.h"

// Undo: where the desktop icons stood just before a restore moved them, kept
// as "before restore" snapshots of the display setup on screen (the snapshot
// store). Every program that restores keeps one first; an undo restores the
// newest. Earlier versions kept one undo layout per full layout name in a key
// beside the store key, its path followed by " (undo)"; it is still read when
// the setup has no snapshot of its own, and never written.

// "Software\Quenlo\Tovak (undo)"; absent when the store key's path is.
CWideString UndoKeyPath(const CLayoutFlavor& flavor);

// The full layout name of the display configuration that the caller has
// captured: what undo messages name.
CWideString UndoLayoutName(const CDisplayConfig& display, const CLayoutFlavor& flavor);
// The setup undo keeps and reads under, from the same capture.
CDisplaySetup UndoSetup(const CDisplayConfig& display, const CLayoutFlavor& flavor);

// Keeps the captured records as a new "before restore" snapshot of the setup;
// Saved, Empty (nothing captured, nothing written), Unreachable or Failed.
SaveResult KeepUndoLayout(const CLayoutFlavor& flavor, const CDisplaySetup& setup, CLayoutCapture& capture);

// Clears and fills records from the newest "before restore" snapshot of the
// setup that reads, or else from the undo layout that an earlier version left
// for its layout name (forceVisible applies to that one, as to any stored
// layout); 0 when there is neither.
int ReadUndoLayout(const CLayoutFlavor& flavor, const CDisplaySetup& setup, const CDisplayConfig& display,
                   bool forceVisible, CIconRecordArray& records, bool* currentFormat);
