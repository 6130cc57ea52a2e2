#include "HostObjects.h"

// {4C96BE40-915C-11CF-99D3-00AA004AE837}
const GUID kSidTopLevelBrowser = { 0x4C96BE40, 0x915C, 0x11CF, { 0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37 } };
// {000214E2-0000-0000-C000-000000000046}, the same as IID_IShellBrowser.
const GUID kSidShellBrowser = { 0x000214E2, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };

STDMETHODIMP CHostShellWindows::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IShellWindows)
        *ppv = static_cast<IShellWindows*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP CHostShellWindows::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CHostShellWindows::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostShellWindows::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CHostShellWindows::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP CHostShellWindows::get_Count(LONG* count)
{
    if (!count)
        return E_POINTER;
    // The desktop is not one of the browser windows the collection counts.
    *count = 0;
    return S_OK;
}

STDMETHODIMP CHostShellWindows::Item(VARIANT, IDispatch** folder)
{
    if (!folder)
        return E_POINTER;
    *folder = nullptr;
    return S_FALSE;
}

STDMETHODIMP CHostShellWindows::_NewEnum(IUnknown** enumerator)
{
    if (enumerator)
        *enumerator = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostShellWindows::Register(IDispatch*, LONG, int, LONG*) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG*) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::Revoke(LONG) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::OnNavigate(LONG, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::OnActivated(LONG, VARIANT_BOOL) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::OnCreated(LONG, IUnknown*) { return E_NOTIMPL; }
STDMETHODIMP CHostShellWindows::ProcessAttachDetach(VARIANT_BOOL) { return S_OK; }

STDMETHODIMP CHostShellWindows::FindWindowSW(VARIANT* location, VARIANT*, int windowClass, LONG* hwnd,
                                             int options, IDispatch** dispatch)
{
    if (dispatch)
        *dispatch = nullptr;
    if (hwnd)
        *hwnd = 0;
    if (!m_host)
        return RPC_E_DISCONNECTED;
    ++m_host->counters.findWindow;

    // Only the desktop is registered: the special folder of the desktop
    // (CSIDL_DESKTOP, 0) with the desktop window class.
    const bool desktop = location && location->vt == VT_I4 && location->lVal == CSIDL_DESKTOP &&
                         windowClass == SWC_DESKTOP;
    if (!desktop || m_host->faults.noDesktopWindow)
        return S_FALSE;

    HWND top = m_host->progman ? m_host->progman : m_host->viewParent;
    if (hwnd)
        *hwnd = static_cast<LONG>(reinterpret_cast<LONG_PTR>(top));
    if (options & SWFO_NEEDDISPATCH) {
        if (!dispatch)
            return E_POINTER;
        *dispatch = static_cast<IDispatch*>(m_host->browser);
        (*dispatch)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CHostClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IClassFactory)
        *ppv = static_cast<IClassFactory*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP CHostClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!m_host || !m_host->shellWindows)
        return CO_E_SERVER_STOPPING;
    return m_host->shellWindows->QueryInterface(riid, ppv);
}
