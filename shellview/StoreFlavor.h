#pragma once
#include <windows.h>
#include "layout/LayoutFlavor.h"

// The layout flavor of the programs outside the shell: the command-line
// tool's, which the watcher shares, so that both read the store and build the
// layout names alike. Texts come from the string table of resources, which
// must include StoreStrings.rc.
CLayoutFlavor CliFlavor(HINSTANCE resources);
