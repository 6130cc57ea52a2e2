#pragma once
#include <windows.h>
#include <ocidl.h>
#include <shlobj.h>
#include "layout/Owners.h"
#include "deskshell/DeskContext.h"
#include "shellext/DeskCommandTable.h"
#include "shellext/DeskMenuIds.h"

// The context-menu handler of the desktop background. The shell makes one for
// every menu: Initialize, QueryContextMenu, any number of GetCommandString,
// at most one InvokeCommand, then the last Release. Apartment-threaded: every
// call comes on the thread that made it, so the reference count is plain.
class CDeskMenu : public CDeskContext,
                  public IDeskMenu,
                  public IShellExtInit,
                  public IContextMenu,
                  public IObjectWithSite
{
public:
    // The class's instance creator: aggregated when outer is given (then
    // riid must be IID_IUnknown).
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** result);

    static constexpr UINT kCommandCount = DeskCommand::kCount;

    // IUnknown: delegates to the controlling unknown.
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, through the type information of IDeskMenu.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** result) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progKey) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, CHAR* name, UINT chars) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** result) override;

private:
    explicit CDeskMenu(IUnknown* outer);
    ~CDeskMenu() override;

    // The non-delegating IUnknown: the object's identity when aggregated.
    class CInner : public IUnknown
    {
    public:
        explicit CInner(CDeskMenu& menu) : m_menu(menu) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        CDeskMenu& m_menu;
    };

    // The command whose stored offset equals offset, or kCommandCount.
    UINT CommandAt(UINT_PTR offset) const;
    void RunCommand(UINT command);
    HRESULT TypeInfo(ITypeInfo** result);

    CInner m_inner;
    IUnknown* m_controlling;
    ULONG m_refs = 1;
    UINT m_offsets[kCommandCount] = {};
    CComRef<ITypeInfo> m_typeInfo;
};
