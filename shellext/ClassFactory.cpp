#include "shellext/ClassFactory.h"
#include <new>
#include "shellext/Module.h"

CClassFactory* CClassFactory::Create(const CObjectMapEntry& entry)
{
    return new (std::nothrow) CClassFactory(entry);
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *result = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *result = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef()
{
    const LONG refs = InterlockedIncrement(&m_refs);
    // The first reference beyond the module's own keeps the server loaded.
    if (refs == 2)
        ShellModule().Lock();
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CClassFactory::Release()
{
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 1)
        ShellModule().Unlock();
    else if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    return m_entry.createInstance(outer, riid, result);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock)
{
    if (lock)
        ShellModule().Lock();
    else
        ShellModule().Unlock();
    return S_OK;
}
