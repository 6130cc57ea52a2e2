#pragma once
#include <windows.h>
#include "layout/DisplayConfig.h"
#include "layout/LayoutFlavor.h"

// The layout flavor of the command-line tool: texts from the string table of
// resources, which must be OstrelCli.exe's.
CLayoutFlavor CliFlavor(HINSTANCE resources);

// The process-wide values of the command-line tool.
struct CCliContext
{
    CLayoutFlavor flavor = CliFlavor(GetModuleHandleW(nullptr));
    CDisplayConfig display;  // captured afresh by each flow; holds the icon size
    DWORD ccVersion = 0;     // common-controls version, major << 16 | minor
    bool ccFlag = false;     // version is 5.82 or later
};

CCliContext& Cli();
