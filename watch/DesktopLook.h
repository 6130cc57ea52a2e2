#pragma once
#include "layout/DisplaySetup.h"
#include "watch/Settle.h"
#include "watch/WatchContext.h"

// One look through the shell's view of the desktop: the full layout name of
// the display configuration on screen (with the view's icon size), its
// display setup (also into *setup) and a digest of every icon and its
// position, whatever the view's order; no name is read. Not reached when the
// view cannot be opened or read.
CDesktopState LookAtDesktop(CShellCallState& state, CDisplaySetup* setup = nullptr);
