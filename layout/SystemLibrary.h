#pragma once
#include <windows.h>

// Loads a DLL of Windows by its file name from the system folder alone, never
// from the program's folder, the current folder or the PATH, where a standard
// user may have put a file of that name. A name (not a full path) still goes
// through the active activation context first, so that a manifest's common
// controls 6 are the ones found ("Dynamic-link library search order",
// Microsoft Learn: redirection and the loaded modules come before the
// LOAD_LIBRARY_SEARCH_* folders).
HMODULE LoadSystemLibrary(const wchar_t* name);

// The first call of every program: the process's own loads of DLLs without a
// full path then search the system folder alone.
void RestrictDllSearchToSystem();
