#pragma once
#include <windows.h>
#include <oaidl.h>

// Identities of the context-menu handler class, its dispatch interface and
// the type library that describes them (ostrelsx.idl).
extern const CLSID CLSID_DeskMenu;
extern const IID IID_IDeskMenu;
extern const GUID LIBID_TOVAKLib;

constexpr WORD kTypeLibMajor = 1;
constexpr WORD kTypeLibMinor = 1;

// The handler's dispatch interface: IDispatch with no members of its own.
struct IDeskMenu : public IDispatch
{
};
