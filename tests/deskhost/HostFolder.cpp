#include "HostObjects.h"
#include <shlobj.h>
#include "layout/Owners.h"

CHostFolder::CHostFolder(CDeskHostImpl* host, IShellFolder* inner) : CHostObjectBase(host), m_inner(inner)
{
    m_inner->AddRef();
}

CHostFolder::~CHostFolder()
{
    m_inner->Release();
}

STDMETHODIMP CHostFolder::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IShellFolder)
        *ppv = static_cast<IShellFolder*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistFolder || riid == IID_IPersistFolder2)
        *ppv = static_cast<IPersistFolder2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP CHostFolder::ParseDisplayName(HWND hwnd, IBindCtx* bind, LPWSTR name, ULONG* eaten,
                                           PIDLIST_RELATIVE* pidl, ULONG* attributes)
{
    return m_inner->ParseDisplayName(hwnd, bind, name, eaten, pidl, attributes);
}

STDMETHODIMP CHostFolder::EnumObjects(HWND hwnd, SHCONTF flags, IEnumIDList** enumerator)
{
    return m_inner->EnumObjects(hwnd, flags, enumerator);
}

STDMETHODIMP CHostFolder::BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* bind, REFIID riid, void** ppv)
{
    return m_inner->BindToObject(pidl, bind, riid, ppv);
}

STDMETHODIMP CHostFolder::BindToStorage(PCUIDLIST_RELATIVE pidl, IBindCtx* bind, REFIID riid, void** ppv)
{
    return m_inner->BindToStorage(pidl, bind, riid, ppv);
}

STDMETHODIMP CHostFolder::CompareIDs(LPARAM how, PCUIDLIST_RELATIVE first, PCUIDLIST_RELATIVE second)
{
    return m_inner->CompareIDs(how, first, second);
}

STDMETHODIMP CHostFolder::CreateViewObject(HWND owner, REFIID riid, void** ppv)
{
    return m_inner->CreateViewObject(owner, riid, ppv);
}

STDMETHODIMP CHostFolder::GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY pidls, SFGAOF* attributes)
{
    return m_inner->GetAttributesOf(count, pidls, attributes);
}

STDMETHODIMP CHostFolder::GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY pidls, REFIID riid,
                                        UINT* reserved, void** ppv)
{
    return m_inner->GetUIObjectOf(owner, count, pidls, riid, reserved, ppv);
}

STDMETHODIMP CHostFolder::GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF flags, STRRET* name)
{
    if (m_host && m_host->faults.failDisplayNameAt >= 0 &&
        (ILFindLastID(pidl) != pidl || m_host->FindItem(pidl) == m_host->faults.failDisplayNameAt))
        return E_FAIL;
    return m_inner->GetDisplayNameOf(pidl, flags, name);
}

STDMETHODIMP CHostFolder::SetNameOf(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR name, SHGDNF flags,
                                    PITEMID_CHILD* out)
{
    return m_inner->SetNameOf(hwnd, pidl, name, flags, out);
}

STDMETHODIMP CHostFolder::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_ShellDesktop;
    return S_OK;
}

STDMETHODIMP CHostFolder::Initialize(PCIDLIST_ABSOLUTE)
{
    return S_OK;
}

STDMETHODIMP CHostFolder::GetCurFolder(PIDLIST_ABSOLUTE* pidl)
{
    if (!pidl)
        return E_POINTER;
    *pidl = nullptr;
    // A folder window's view of the Desktop directory: a file system folder,
    // not the namespace root that the desktop shows.
    if (m_host && m_host->faults.viewOfDesktopDirectory)
        return SHGetFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, pidl);
    CComRef<IPersistFolder2> inner;
    if (FAILED(m_inner->QueryInterface(IID_IPersistFolder2, inner.PutVoid())))
        return E_FAIL;
    return inner->GetCurFolder(pidl);
}
