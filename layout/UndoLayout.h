#pragma once
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"
#include "layout/IconRecord.h"
#include "layout/LayoutFlavor.h"
#include "layout/LayoutStore.h"

// The undo layouts: where the desktop icons stood just before the last
// restore that moved them, one per full layout name (the newest only), in the
// current format. They live in a key beside the store key, its path followed
// by " (undo)", so that no listing of the store sees them and deleting a
// layout leaves them alone. Every program that restores keeps one first.

// "Software\Quenlo\Tovak (undo)"; absent when the store key's path is.
CWideString UndoKeyPath(const CLayoutFlavor& flavor);

// The name an undo layout is kept under: the full layout name of the display
// configuration that the caller has captured.
CWideString UndoLayoutName(const CDisplayConfig& display, const CLayoutFlavor& flavor);

// Replaces the undo layout of that name with the captured records, all or
// nothing, as any layout is saved.
SaveResult KeepUndoLayout(const CLayoutFlavor& flavor, const wchar_t* name, CLayoutCapture& capture);

// Clears and fills records from the undo layout of that name, as ReadLayout
// reads a stored one; 0 when there is none (nothing is created then).
int ReadUndoLayout(const CLayoutFlavor& flavor, const wchar_t* name, const CDisplayConfig& display,
                   bool forceVisible, CIconRecordArray& records, bool* currentFormat);
