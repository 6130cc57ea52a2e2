#include "HostObjects.h"

STDMETHODIMP CHostBrowser::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IShellBrowser || riid == IID_IOleWindow)
        *ppv = static_cast<IShellBrowser*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IServiceProvider && !(m_host && m_host->faults.noServiceProvider))
        *ppv = static_cast<IServiceProvider*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP CHostBrowser::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP CHostBrowser::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostBrowser::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CHostBrowser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP CHostBrowser::QueryService(REFGUID service, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!m_host)
        return RPC_E_DISCONNECTED;
    if (service != kSidTopLevelBrowser && service != kSidShellBrowser)
        return E_NOINTERFACE;
    if (m_host->faults.noShellBrowser)
        return E_NOINTERFACE;
    return QueryInterface(riid, ppv);
}

STDMETHODIMP CHostBrowser::GetWindow(HWND* hwnd)
{
    if (!hwnd)
        return E_POINTER;
    *hwnd = nullptr;
    if (!m_host)
        return RPC_E_DISCONNECTED;
    *hwnd = m_host->progman ? m_host->progman : m_host->viewParent;
    return S_OK;
}

STDMETHODIMP CHostBrowser::GetViewStateStream(DWORD, IStream** stream)
{
    if (stream)
        *stream = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostBrowser::GetControlWindow(UINT, HWND* hwnd)
{
    if (hwnd)
        *hwnd = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostBrowser::QueryActiveShellView(IShellView** view)
{
    if (!view)
        return E_POINTER;
    *view = nullptr;
    if (!m_host)
        return RPC_E_DISCONNECTED;
    if (m_host->faults.noShellView || !m_host->view)
        return E_FAIL;
    *view = static_cast<IShellView*>(m_host->view);
    (*view)->AddRef();
    return S_OK;
}
