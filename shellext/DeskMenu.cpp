#include "shellext/DeskMenu.h"
#include <shlwapi.h>
#include <strsafe.h>
#include <new>
#include "shellext/Module.h"
#include "shellext/Settings.h"
#include "shellext/TypeLibrary.h"
#include "shellext/resource.h"

namespace {

template <class Interface>
int InterfaceOffset()
{
    return static_cast<int>(OFFSETOFCLASS(Interface, CDeskMenu));
}

} // namespace

HRESULT CDeskMenu::CreateInstance(IUnknown* outer, REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    // An aggregated object hands its outer object the inner unknown only.
    if (outer && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    CDeskMenu* menu = nullptr;
    try {
        menu = new CDeskMenu(outer);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = menu->m_inner.QueryInterface(riid, result);
    menu->m_inner.Release();
    return hr;
}

CDeskMenu::CDeskMenu(IUnknown* outer)
    : CDeskContext(ShellModule().Instance()), m_inner(*this), m_controlling(outer ? outer : &m_inner)
{
    ShellModule().Lock();
}

CDeskMenu::~CDeskMenu()
{
    display.Release();
    ShellModule().Unlock();
}

STDMETHODIMP CDeskMenu::CInner::QueryInterface(REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *result = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    static const QITAB kInterfaces[] = {
        { &IID_IDeskMenu, InterfaceOffset<IDeskMenu>() },
        { &IID_IDispatch, InterfaceOffset<IDeskMenu>() },
        { &IID_IShellExtInit, InterfaceOffset<IShellExtInit>() },
        { &IID_IContextMenu, InterfaceOffset<IContextMenu>() },
        { &IID_IObjectWithSite, InterfaceOffset<IObjectWithSite>() },
        { nullptr, 0 },
    };
    return QISearch(&m_menu, kInterfaces, riid, result);
}

STDMETHODIMP_(ULONG) CDeskMenu::CInner::AddRef()
{
    return ++m_menu.m_refs;
}

STDMETHODIMP_(ULONG) CDeskMenu::CInner::Release()
{
    const ULONG refs = --m_menu.m_refs;
    if (refs == 0)
        delete &m_menu;
    return refs;
}

STDMETHODIMP CDeskMenu::QueryInterface(REFIID riid, void** result)
{
    return m_controlling->QueryInterface(riid, result);
}

STDMETHODIMP_(ULONG) CDeskMenu::AddRef()
{
    return m_controlling->AddRef();
}

STDMETHODIMP_(ULONG) CDeskMenu::Release()
{
    return m_controlling->Release();
}

// IDispatch

HRESULT CDeskMenu::TypeInfo(ITypeInfo** result)
{
    if (!m_typeInfo) {
        wchar_t path[MAX_PATH];
        if (!ShellModule().FilePath(path))
            return TYPE_E_CANTLOADLIBRARY;
        const HRESULT hr = LoadTypeInfo(path, IID_IDeskMenu, m_typeInfo.Put());
        if (FAILED(hr))
            return hr;
    }
    *result = m_typeInfo.Get();
    return S_OK;
}

STDMETHODIMP CDeskMenu::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CDeskMenu::GetTypeInfo(UINT index, LCID, ITypeInfo** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    if (FAILED(hr))
        return hr;
    typeInfo->AddRef();
    *result = typeInfo;
    return S_OK;
}

STDMETHODIMP CDeskMenu::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    if (FAILED(hr))
        return hr;
    return typeInfo->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP CDeskMenu::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argError)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = TypeInfo(&typeInfo);
    if (FAILED(hr))
        return hr;
    return typeInfo->Invoke(static_cast<IDeskMenu*>(this), id, flags, params, result, exception, argError);
}

// IShellExtInit

STDMETHODIMP CDeskMenu::Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY)
{
    try {
        settings = ReadDeskSettings(flavor);
    } catch (...) {
        settings = CDeskSettings();
    }
    return S_OK;
}

// IContextMenu

STDMETHODIMP CDeskMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags)
{
    const HRESULT nothingAdded = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
    if (flags & CMF_EXPLORE)
        return nothingAdded;
    // Identifiers past lastId belong to other handlers.
    if (lastId < firstId || lastId - firstId < kCommandCount - 1)
        return nothingAdded;

    InsertMenuW(menu, index, MF_SEPARATOR | MF_BYPOSITION, 0, nullptr);
    UINT next = index + 1;
    HMENU cascade = CreatePopupMenu();
    if (cascade) {
        if (InsertMenuW(menu, index + 1, MF_POPUP | MF_STRING | MF_BYPOSITION,
                        reinterpret_cast<UINT_PTR>(cascade), Text(IDS_SUBMENU))) {
            next = index + 2;
        } else {
            DestroyMenu(cascade);
            cascade = nullptr;
        }
    }

    for (UINT command : kDeskMenuOrder) {
        const CDeskCommandInfo& info = kDeskCommands[command];
        wchar_t label[kLabelChars] = {};
        ComposeCommandLabel(*this, command, label);
        const UINT id = firstId + command;
        const bool inCascade = !info.cascade || settings.*info.cascade;
        if (cascade && inCascade)
            AppendMenuW(cascade, MF_STRING, id, label);
        else
            InsertMenuW(menu, next++, MF_STRING | MF_BYPOSITION, id, label);
    }

    for (UINT command = 0; command < kCommandCount; ++command)
        m_offsets[command] = command;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, m_offsets[kCommandCount - 1] + 1);
}

UINT CDeskMenu::CommandAt(UINT_PTR offset) const
{
    for (UINT command = 0; command < kCommandCount; ++command)
        if (m_offsets[command] == offset)
            return command;
    return kCommandCount;
}

STDMETHODIMP CDeskMenu::GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name, UINT chars)
{
    const UINT command = CommandAt(offset);
    switch (type) {
    case GCS_VALIDATEW:
        return command < kCommandCount ? S_OK : S_FALSE;
    case GCS_HELPTEXTW:
    case GCS_VERBW:
        if (command < kCommandCount && name && chars > 0) {
            const CDeskCommandInfo& info = kDeskCommands[command];
            lstrcpynW(reinterpret_cast<wchar_t*>(name), Text(type == GCS_HELPTEXTW ? info.help : info.verb),
                      static_cast<int>(chars));
        }
        return S_OK;
    default:
        return S_OK;
    }
}

void CDeskMenu::RunCommand(UINT command)
{
    RunDeskCommand(*this, command);
}

STDMETHODIMP CDeskMenu::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    if (!info)
        return E_INVALIDARG;
    // Commands are taken by offset only; the verbs reported are never accepted
    // back. A verb or offset that is not ours fails, so that the shell offers
    // it to the menu's other handlers (IContextMenu::InvokeCommand). A caller
    // that sets CMIC_MASK_UNICODE may give the verb in lpVerbW alone.
    const bool unicode = info->cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info->fMask & CMIC_MASK_UNICODE) &&
                         !IS_INTRESOURCE(reinterpret_cast<CMINVOKECOMMANDINFOEX*>(info)->lpVerbW);
    if (!IS_INTRESOURCE(info->lpVerb) || unicode)
        return E_FAIL;
    const UINT command = CommandAt(LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)));
    if (command >= kCommandCount)
        return E_FAIL;
    owner = info->hwnd;
    try {
        RunCommand(command);
    } catch (...) {
        // Nothing may leave through the shell's call.
    }
    display.Release();
    return S_OK;
}

// IObjectWithSite

STDMETHODIMP CDeskMenu::SetSite(IUnknown* site)
{
    SetSiteUnknown(site);
    return S_OK;
}

STDMETHODIMP CDeskMenu::GetSite(REFIID riid, void** result)
{
    return QuerySite(riid, result);
}
