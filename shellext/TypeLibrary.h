#pragma once
#include <windows.h>
#include <oaidl.h>

// The type library embedded in the server file as TYPELIB 1.

// Registers it for all users; the first failing HRESULT or S_OK.
HRESULT RegisterTypeLibrary(const wchar_t* modulePath);
// Unregisters it; a library that is not registered is no failure.
HRESULT UnregisterTypeLibrary(const wchar_t* modulePath);
// The type information of one interface or class of the library.
HRESULT LoadTypeInfo(const wchar_t* modulePath, REFGUID guid, ITypeInfo** result);
