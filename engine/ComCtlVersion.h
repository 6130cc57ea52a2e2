#pragma once
#include <windows.h>

// Version of the common controls as "ComCtl32.dll" reports it through
// DllGetVersion: major version in the high 16 bits, minor in the low 16 bits,
// 0 when it cannot be read. With manifestModule set (a loaded module, not a
// data file), the library is loaded inside that module's activation context
// (its manifest, resource 2): a DLL that asks for common controls 6 in its
// manifest gets version 6 even in a process that runs version 5.
DWORD ProbeCommonControlsVersion(HMODULE manifestModule);

// Wine's DllGetVersion refuses the 32-byte version record that Windows
// accepts, so under Wine the probe gives 0; tests answer through the
// deliverables' system seams (CDeskSystem, CCliSystem) instead.

// From 5.82 on the list view knows snap-to-grid and auto-auto-arrange, and
// the restore engines switch them off while icons move.
constexpr DWORD kViewFlagsCcVersion = 0x50052;
inline bool HasViewFlagsSupport(DWORD version) { return version >= kViewFlagsCcVersion; }
