#pragma once
#include <windows.h>
#include <oaidl.h>

// Identities of the context-menu handler class, its dispatch interface and
// the type library that describes them. ostrelsx.idl defines them; the build
// generates their definitions from it (ostrelsx_i.c).
EXTERN_C const CLSID CLSID_DeskMenu;
// The desktop's entry at the top level of the Windows 11 context menu.
EXTERN_C const CLSID CLSID_DeskExplorerCommand;
EXTERN_C const IID IID_IDeskMenu;
EXTERN_C const IID LIBID_TOVAKLib;

constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 1;

// The handler's dispatch interface: IDispatch with no members of its own.
struct IDeskMenu : public IDispatch
{
};
