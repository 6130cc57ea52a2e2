#pragma once
#include <windows.h>
#include <memory>
#include "engine/DeskContext.h"
#include "engine/DesktopWindow.h"
#include "layout/Capture.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"

// The shell extension's desktop commands. Each finds the desktop list view,
// refreshes the probes and captures the display configuration itself.
void SaveDesktopCommand(CDeskContext& context);
// Returns the restore engine's result, or 0 when nothing was restored.
int RestoreDesktopCommand(CDeskContext& context);
void HighlightUnmatchedCommand(CDeskContext& context);

// Save the desktop to the layout store or to a layout file and tell the user,
// in a message box, when the save did not happen; a save that did stays silent.
void SaveDesktopToStore(CDeskContext& context, HWND listView, const wchar_t* name);
void SaveDesktopToFile(CDeskContext& context, HWND listView, const wchar_t* path);

// Opens and releases the shell's desktop view, refreshing the icon size and
// the common-controls probes of the context.
void ProbeDesktopView(CDeskContext& context);
