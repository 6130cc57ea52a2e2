#pragma once
#include <windows.h>

// Version of the common controls as "ComCtl32.dll" reports it through
// DllGetVersion: major version in the high 16 bits, minor in the low 16 bits,
// 0 when it cannot be read. With manifestModule set, the library is loaded
// inside that module's activation context (its manifest, resource 2), so that
// a module that asks for common controls 6 sees the version it will get.
DWORD ProbeCommonControlsVersion(HMODULE manifestModule);

// From 5.82 on the list view knows snap-to-grid and auto-auto-arrange, and
// the restore engines switch them off while icons move.
constexpr DWORD kViewFlagsCcVersion = 0x50052;
inline bool HasViewFlagsSupport(DWORD version) { return version >= kViewFlagsCcVersion; }

// The module that holds this code (the shell extension DLL in the shell).
HMODULE ThisModule();
