#pragma once
#include <windows.h>
#include <commdlg.h>

// Calls that make dialogs or load libraries, made under the module's own
// activation context so that its dialogs and the common dialogs use version 6
// of the common controls, whatever context the shell's thread has active.
// When the context cannot be activated the call is not made and its failure
// value is returned (-1 for the dialog, 0 for the file dialogs, null for the
// libraries); otherwise the call's own last-error value is kept.
INT_PTR ActCtxDialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND owner, DLGPROC proc, LPARAM param);
BOOL ActCtxGetOpenFileName(OPENFILENAMEW* ofn);
BOOL ActCtxGetSaveFileName(OPENFILENAMEW* ofn);
// A DLL of Windows, from the system folder alone (LoadSystemLibrary).
HMODULE ActCtxLoadLibrary(const wchar_t* name);

// Releases a context that the module created itself (process detach).
void ReleaseModuleActCtx();
