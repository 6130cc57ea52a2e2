#pragma once
#include <windows.h>
#include <shlobj.h>
#include "layout/Owners.h"

// What the host tests share as they walk the shell objects by hand.

// {4C96BE40-915C-11CF-99D3-00AA004AE837}
const GUID kSidTopLevelBrowser = { 0x4C96BE40, 0x915C, 0x11CF, { 0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37 } };
