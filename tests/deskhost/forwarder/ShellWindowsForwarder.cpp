// An in-process server for CLSID_ShellWindows that hands out the shell
// windows object of a deskhost.exe running in another process. Registered in
// a test prefix only (see DeskHostProcess.h), it lets a program in its own
// process reach the desktop host as it would reach the shell: COM marshals
// the host's objects with the system's proxies for the shell interfaces.
#include <windows.h>
#include <objbase.h>
#include <exdisp.h>
#include "DeskHost.h"

namespace {

LONG g_locks = 0;

class CForwardFactory : public IClassFactory
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // A static object: the module's lock count keeps the DLL loaded.
    STDMETHODIMP_(ULONG) AddRef() override { InterlockedIncrement(&g_locks); return 2; }
    STDMETHODIMP_(ULONG) Release() override { InterlockedDecrement(&g_locks); return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return GetPublishedDeskHost(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

CForwardFactory g_factory;

} // namespace

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_ShellWindows)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" HRESULT __stdcall DllCanUnloadNow()
{
    return g_locks == 0 ? S_OK : S_FALSE;
}
