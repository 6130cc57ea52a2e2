#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <exdisp.h>
#include "HostState.h"

// Identifiers the host answers to, as Windows publishes them.
extern const GUID kSidTopLevelBrowser;
extern const GUID kSidShellBrowser;

// A counted COM object tied to the host state until Stop disconnects it.
class CHostObjectBase
{
public:
    explicit CHostObjectBase(CDeskHostImpl* host) : m_host(host) {}
    virtual ~CHostObjectBase() = default;
    CHostObjectBase(const CHostObjectBase&) = delete;
    CHostObjectBase& operator=(const CHostObjectBase&) = delete;
    void Disconnect() { m_host = nullptr; }

protected:
    ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG ReleaseImpl()
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    CDeskHostImpl* m_host;

private:
    LONG m_refs = 1;
};

#define HOST_IUNKNOWN_METHODS                                                   \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;             \
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }            \
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

// The shell windows object: one registered window, the desktop.
class CHostShellWindows : public IShellWindows, public CHostObjectBase
{
public:
    using CHostObjectBase::CHostObjectBase;
    HOST_IUNKNOWN_METHODS
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IShellWindows
    STDMETHODIMP get_Count(LONG* count) override;
    STDMETHODIMP Item(VARIANT index, IDispatch** folder) override;
    STDMETHODIMP _NewEnum(IUnknown** enumerator) override;
    STDMETHODIMP Register(IDispatch*, LONG, int, LONG*) override;
    STDMETHODIMP RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG*) override;
    STDMETHODIMP Revoke(LONG) override;
    STDMETHODIMP OnNavigate(LONG, VARIANT*) override;
    STDMETHODIMP OnActivated(LONG, VARIANT_BOOL) override;
    STDMETHODIMP FindWindowSW(VARIANT* location, VARIANT* root, int windowClass, LONG* hwnd,
                              int options, IDispatch** dispatch) override;
    STDMETHODIMP OnCreated(LONG, IUnknown*) override;
    STDMETHODIMP ProcessAttachDetach(VARIANT_BOOL) override;
};

// The class object registered for CLSID_ShellWindows.
class CHostClassFactory : public IClassFactory, public CHostObjectBase
{
public:
    using CHostObjectBase::CHostObjectBase;
    HOST_IUNKNOWN_METHODS
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

// The desktop's browser: the dispatch object that FindWindowSW hands out, the
// site of shell extensions (IServiceProvider) and the shell browser.
class CHostBrowser : public IShellBrowser, public IServiceProvider, public IDispatch,
                     public CHostObjectBase
{
public:
    using CHostObjectBase::CHostObjectBase;
    HOST_IUNKNOWN_METHODS
    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IShellBrowser
    STDMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP EnableModelessSB(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return S_FALSE; }
    STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewStateStream(DWORD, IStream** stream) override;
    STDMETHODIMP GetControlWindow(UINT, HWND* hwnd) override;
    STDMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryActiveShellView(IShellView** view) override;
    STDMETHODIMP OnViewWindowActive(IShellView*) override { return S_OK; }
    STDMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }
};

// The desktop's shell view over the host's list view.
class CHostView : public IShellView, public IFolderView2, public CHostObjectBase
{
public:
    using CHostObjectBase::CHostObjectBase;
    HOST_IUNKNOWN_METHODS
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IShellView
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP UIActivate(UINT) override { return S_OK; }
    // Lays the desktop out again, as a refresh does.
    STDMETHODIMP Refresh() override;
    STDMETHODIMP CreateViewWindow(IShellView*, LPCFOLDERSETTINGS, IShellBrowser*, RECT*, HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP DestroyViewWindow() override { return E_NOTIMPL; }
    STDMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS settings) override;
    STDMETHODIMP AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
    STDMETHODIMP SaveViewState() override;
    STDMETHODIMP SelectItem(PCUITEMID_CHILD child, SVSIF flags) override;
    STDMETHODIMP GetItemObject(UINT, REFIID, void** ppv) override;
    // IFolderView
    STDMETHODIMP GetCurrentViewMode(UINT* mode) override;
    STDMETHODIMP SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetFolder(REFIID riid, void** ppv) override;
    STDMETHODIMP Item(int index, PITEMID_CHILD* child) override;
    STDMETHODIMP ItemCount(UINT flags, int* count) override;
    STDMETHODIMP Items(UINT, REFIID, void** ppv) override;
    STDMETHODIMP GetSelectionMarkedItem(int* index) override;
    STDMETHODIMP GetFocusedItem(int* index) override;
    STDMETHODIMP GetItemPosition(PCUITEMID_CHILD child, POINT* pos) override;
    STDMETHODIMP GetSpacing(POINT* spacing) override;
    STDMETHODIMP GetDefaultSpacing(POINT* spacing) override;
    STDMETHODIMP GetAutoArrange() override;
    STDMETHODIMP SelectItem(int index, DWORD flags) override;
    STDMETHODIMP SelectAndPositionItems(UINT count, PCUITEMID_CHILD_ARRAY children, POINT* points,
                                        DWORD flags) override;
    // IFolderView2
    STDMETHODIMP SetGroupBy(REFPROPERTYKEY, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetGroupBy(PROPERTYKEY*, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP SetViewProperty(PCUITEMID_CHILD, REFPROPERTYKEY, REFPROPVARIANT) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewProperty(PCUITEMID_CHILD, REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP SetTileViewProperties(PCUITEMID_CHILD, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtendedTileViewProperties(PCUITEMID_CHILD, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetText(FVTEXTTYPE, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetCurrentFolderFlags(DWORD mask, DWORD flags) override;
    STDMETHODIMP GetCurrentFolderFlags(DWORD* flags) override;
    STDMETHODIMP GetSortColumnCount(int*) override { return E_NOTIMPL; }
    STDMETHODIMP SetSortColumns(const SORTCOLUMN*, int) override { return E_NOTIMPL; }
    STDMETHODIMP GetSortColumns(SORTCOLUMN*, int) override { return E_NOTIMPL; }
    STDMETHODIMP GetItem(int, REFIID, void** ppv) override;
    STDMETHODIMP GetVisibleItem(int, BOOL, int*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSelectedItem(int, int*) override { return E_NOTIMPL; }
    STDMETHODIMP GetSelection(BOOL, IShellItemArray**) override { return E_NOTIMPL; }
    STDMETHODIMP GetSelectionState(PCUITEMID_CHILD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP InvokeVerbOnSelection(LPCSTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetViewModeAndIconSize(FOLDERVIEWMODE, int) override { return E_NOTIMPL; }
    STDMETHODIMP GetViewModeAndIconSize(FOLDERVIEWMODE* mode, int* size) override;
    STDMETHODIMP SetGroupSubsetCount(UINT) override { return E_NOTIMPL; }
    STDMETHODIMP GetGroupSubsetCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP SetRedraw(BOOL redraw) override;
    STDMETHODIMP IsMoveInSameFolder() override { return S_FALSE; }
    STDMETHODIMP DoRename() override { return E_NOTIMPL; }

private:
    HRESULT Check() const;
};

// The desktop folder as GetFolder hands it out: the real desktop folder, with
// GetDisplayNameOf failing for one item when a test asks for it.
// The desktop folder as the view hands it out. Like the shell's own desktop
// folder it names itself through IPersistFolder2, which the shell's folders
// implement so that their ID list can be read
// (https://learn.microsoft.com/en-us/windows/win32/api/shobjidl_core/nn-shobjidl_core-ipersistfolder2).
class CHostFolder : public IShellFolder, public IPersistFolder2, public CHostObjectBase
{
public:
    CHostFolder(CDeskHostImpl* host, IShellFolder* inner);
    ~CHostFolder() override;
    HOST_IUNKNOWN_METHODS
    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override;
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override;
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override;
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override;
    STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override;
    STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override;
    STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override;
    STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override;
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override;
    STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override;
    // IPersistFolder2
    STDMETHODIMP GetClassID(CLSID*) override;
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE) override;
    STDMETHODIMP GetCurFolder(PIDLIST_ABSOLUTE*) override;

private:
    IShellFolder* m_inner;
};

// The enumerator of the view's items (IFolderView::Items with SVGIO_ALLVIEW).
HRESULT CreateHostItemEnum(CDeskHostImpl& host, UINT flags, REFIID riid, void** ppv);
