#pragma once
#include <string>
#include "layout/LayoutFile.h"
#include "watch/WatchContext.h"

// Writes the desktop on screen as an `arranged` snapshot of its display
// setup: the one walk of the watcher that reads the icons' names. Nothing is
// written (Unreachable) when the setup on screen is no longer forSetup (its
// text). *path gets the snapshot's path.
FileSaveResult KeepArrangement(CShellCallState& state, const std::wstring& forSetup, std::wstring* path);
