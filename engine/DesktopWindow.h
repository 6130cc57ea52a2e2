#pragma once
#include <windows.h>

// The search for the desktop list view window, shared by both deliverables:
// "Progman" must exist; its "SHELLDLL_DefView" child, or else the first
// top-level window in enumeration order that holds one, gives the
// "SysListView32" child. Null when any step finds nothing.
HWND FindDesktopListView();
