#pragma once
#include <windows.h>
#include <memory>
#include "deskshell/DeskContext.h"
#include "engine/DesktopWindow.h"
#include "layout/Capture.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"

// The desktop list view, when it belongs to this process (the shell's); else
// null, after telling the user that it is missing or out of reach.
HWND FindListViewOrWarn(const CDeskContext& context);

// The shell extension's desktop commands. Each finds the desktop list view,
// refreshes the probes and captures the display configuration itself.
void SaveDesktopCommand(CDeskContext& context);
// Returns the restore engine's result, or 0 when nothing was restored.
int RestoreDesktopCommand(CDeskContext& context);
void HighlightUnmatchedCommand(CDeskContext& context);
// Restores the undo layout of the current display configuration, after
// keeping the current positions as the new one, so that a second undo returns.
void UndoRestoreCommand(CDeskContext& context);

// Save the desktop to the layout store or to a layout file and tell the user,
// in a message box, when the save did not happen; a save that did stays silent.
void SaveDesktopToStore(CDeskContext& context, HWND listView, const wchar_t* name);
void SaveDesktopToFile(CDeskContext& context, HWND listView, const wchar_t* path);
// Keeps the current positions as the undo layout of the display configuration
// that the caller has captured; tells nobody, and returns the save's result.
SaveResult KeepUndoLayoutInShell(CDeskContext& context, HWND listView);

// Opens and releases the shell's desktop view, refreshing the icon size and
// the common-controls probes of the context.
void ProbeDesktopView(CDeskContext& context);
