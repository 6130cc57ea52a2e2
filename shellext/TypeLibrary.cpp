#include "shellext/TypeLibrary.h"
#include <oleauto.h>
#include "layout/Owners.h"

namespace {

HRESULT LoadModuleTypeLib(const wchar_t* modulePath, CComRef<ITypeLib>& typeLib)
{
    if (!modulePath || !*modulePath)
        return E_INVALIDARG;
    return LoadTypeLibEx(modulePath, REGKIND_NONE, typeLib.Put());
}

} // namespace

HRESULT RegisterTypeLibrary(const wchar_t* modulePath)
{
    CComRef<ITypeLib> typeLib;
    HRESULT hr = LoadModuleTypeLib(modulePath, typeLib);
    if (FAILED(hr))
        return hr;
    // Some SDK headers declare the path without const; it is only read.
    return RegisterTypeLib(typeLib.Get(), const_cast<wchar_t*>(modulePath), nullptr);
}

HRESULT UnregisterTypeLibrary(const wchar_t* modulePath)
{
    CComRef<ITypeLib> typeLib;
    HRESULT hr = LoadModuleTypeLib(modulePath, typeLib);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = typeLib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    BSTR registered = nullptr;
    if (SUCCEEDED(QueryPathOfRegTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, &registered))) {
        SysFreeString(registered);
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    }
    // Otherwise the registration is gone already.
    typeLib->ReleaseTLibAttr(attr);
    return hr;
}

HRESULT LoadTypeInfo(const wchar_t* modulePath, REFGUID guid, ITypeInfo** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    CComRef<ITypeLib> typeLib;
    const HRESULT hr = LoadModuleTypeLib(modulePath, typeLib);
    if (FAILED(hr))
        return hr;
    return typeLib->GetTypeInfoOfGuid(guid, result);
}
