#include "HostObjects.h"
#include <commctrl.h>

namespace {

void ApplySelection(CDeskHostImpl& host, int index, DWORD flags)
{
    LVITEMW item = {};
    if (flags & SVSI_DESELECTOTHERS) {
        item.stateMask = LVIS_SELECTED;
        item.state = 0;
        host.SendInternal(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    }
    item.stateMask = LVIS_SELECTED | ((flags & SVSI_FOCUSED) ? LVIS_FOCUSED : 0);
    item.state = ((flags & SVSI_SELECT) ? LVIS_SELECTED : 0) | ((flags & SVSI_FOCUSED) ? LVIS_FOCUSED : 0);
    if ((flags & (SVSI_SELECT | SVSI_FOCUSED)) || flags == SVSI_DESELECT)
        host.SendInternal(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (flags & SVSI_ENSUREVISIBLE)
        host.SendInternal(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

} // namespace

STDMETHODIMP CHostView::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IShellView || riid == IID_IOleWindow)
        *ppv = static_cast<IShellView*>(this);
    else if ((riid == IID_IFolderView || riid == IID_IFolderView2) && !(m_host && m_host->faults.noFolderView))
        *ppv = static_cast<IFolderView2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CHostView::Check() const
{
    if (m_host && m_host->faults.answering)
        WaitForSingleObject(m_host->faults.answering, INFINITE);
    return m_host && m_host->listView ? S_OK : RPC_E_DISCONNECTED;
}

STDMETHODIMP CHostView::GetWindow(HWND* hwnd)
{
    if (!hwnd)
        return E_POINTER;
    *hwnd = nullptr;
    if (FAILED(Check()))
        return Check();
    *hwnd = m_host->defView ? m_host->defView : m_host->listView;
    return S_OK;
}

STDMETHODIMP CHostView::GetCurrentInfo(LPFOLDERSETTINGS settings)
{
    if (!settings)
        return E_POINTER;
    if (FAILED(Check()))
        return Check();
    DWORD flags = 0;
    GetCurrentFolderFlags(&flags);
    settings->ViewMode = FVM_ICON;
    settings->fFlags = flags;
    return S_OK;
}

STDMETHODIMP CHostView::Refresh()
{
    if (FAILED(Check()))
        return Check();
    m_host->LayOutAgain();
    return S_OK;
}

STDMETHODIMP CHostView::SaveViewState()
{
    if (FAILED(Check()))
        return Check();
    ++m_host->counters.saveViewState;
    // What is saved is the view's record of the positions, not the list view.
    m_host->SaveViewState();
    return S_OK;
}

STDMETHODIMP CHostView::SelectItem(PCUITEMID_CHILD child, SVSIF flags)
{
    if (FAILED(Check()))
        return Check();
    const int index = m_host->FindItem(child);
    if (index < 0)
        return E_INVALIDARG;
    return SelectItem(index, flags);
}

STDMETHODIMP CHostView::GetItemObject(UINT, REFIID, void** ppv)
{
    if (ppv)
        *ppv = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostView::GetCurrentViewMode(UINT* mode)
{
    if (!mode)
        return E_POINTER;
    *mode = FVM_ICON;
    return Check();
}

STDMETHODIMP CHostView::GetFolder(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (FAILED(Check()))
        return Check();
    return m_host->folder->QueryInterface(riid, ppv);
}

STDMETHODIMP CHostView::Item(int index, PITEMID_CHILD* child)
{
    if (!child)
        return E_POINTER;
    *child = nullptr;
    if (FAILED(Check()))
        return Check();
    if (index < 0 || index >= m_host->Count())
        return E_INVALIDARG;
    if (index == m_host->faults.failItemAt)
        return E_FAIL;
    *child = m_host->HandOut(index);
    return *child ? S_OK : E_FAIL;
}

STDMETHODIMP CHostView::ItemCount(UINT flags, int* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    if (FAILED(Check()))
        return Check();
    if (m_host->faults.noItemCount)
        return E_FAIL;
    switch (flags & SVGIO_TYPE_MASK) {
    case SVGIO_ALLVIEW:
        *count = m_host->Count();
        return S_OK;
    case SVGIO_SELECTION:
        *count = static_cast<int>(m_host->SendInternal(LVM_GETSELECTEDCOUNT, 0, 0));
        return S_OK;
    case SVGIO_BACKGROUND:
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

STDMETHODIMP CHostView::Items(UINT flags, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (FAILED(Check()))
        return Check();
    if ((flags & SVGIO_TYPE_MASK) != SVGIO_ALLVIEW || riid != IID_IEnumIDList)
        return E_NOTIMPL;
    // While Item fails for an index, Items fails too: callers then read the
    // items one index at a time, as they do from a view without an
    // enumerator, and the fault reaches them.
    if (m_host->faults.failItemAt >= 0)
        return E_FAIL;
    return CreateHostItemEnum(*m_host, flags, riid, ppv);
}

STDMETHODIMP CHostView::GetSelectionMarkedItem(int* index)
{
    if (!index)
        return E_POINTER;
    *index = -1;
    if (FAILED(Check()))
        return Check();
    *index = static_cast<int>(m_host->SendInternal(LVM_GETSELECTIONMARK, 0, 0));
    return *index >= 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CHostView::GetFocusedItem(int* index)
{
    if (!index)
        return E_POINTER;
    *index = -1;
    if (FAILED(Check()))
        return Check();
    *index = static_cast<int>(m_host->SendInternal(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    return *index >= 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CHostView::GetItemPosition(PCUITEMID_CHILD child, POINT* pos)
{
    if (!pos)
        return E_POINTER;
    *pos = POINT{ 0, 0 };
    if (FAILED(Check()))
        return Check();
    const int index = m_host->FindItem(child);
    if (index < 0)
        return E_INVALIDARG;
    if (index == m_host->faults.failPositionAt)
        return E_NOTIMPL;
    // The view answers from its own record, not from the list view.
    *pos = m_host->RecordedPosition(index);
    return S_OK;
}

STDMETHODIMP CHostView::GetSpacing(POINT* spacing)
{
    if (!spacing)
        return E_POINTER;
    if (FAILED(Check()))
        return Check();
    const DWORD packed = static_cast<DWORD>(m_host->SendInternal(LVM_GETITEMSPACING, FALSE, 0));
    spacing->x = LOWORD(packed);
    spacing->y = HIWORD(packed);
    return S_OK;
}

STDMETHODIMP CHostView::GetDefaultSpacing(POINT* spacing)
{
    if (!spacing)
        return E_POINTER;
    spacing->x = GetSystemMetrics(SM_CXICONSPACING);
    spacing->y = GetSystemMetrics(SM_CYICONSPACING);
    return S_OK;
}

STDMETHODIMP CHostView::GetAutoArrange()
{
    if (FAILED(Check()))
        return Check();
    return m_host->AutoArrange() ? S_OK : S_FALSE;
}

STDMETHODIMP CHostView::SelectItem(int index, DWORD flags)
{
    if (FAILED(Check()))
        return Check();
    if (index < 0 || index >= m_host->Count())
        return E_INVALIDARG;
    ApplySelection(*m_host, index, flags);
    return S_OK;
}

STDMETHODIMP CHostView::SelectAndPositionItems(UINT count, PCUITEMID_CHILD_ARRAY children, POINT* points,
                                               DWORD flags)
{
    if (FAILED(Check()))
        return Check();
    ++m_host->counters.positionCalls;
    if (count && !children)
        return E_INVALIDARG;
    if ((flags & SVSI_POSITIONITEM) && count && !points)
        return E_INVALIDARG;

    for (UINT i = 0; i < count; ++i) {
        const int index = m_host->FindItem(children[i]);
        if (index < 0)
            continue;
        if (flags & SVSI_POSITIONITEM) {
            // SVSI_POSITIONITEM "allows the window's default view to position
            // the item"; when the call comes while a mouse-positioned context
            // menu is being handled, the position of the context menu is used
            // (Microsoft's documentation of _SVSIF).
            m_host->ViewMove(index, m_host->faults.positionAtMenu ? m_host->faults.menuPoint : points[i]);
            ++m_host->counters.itemsPositioned;
        }
        ApplySelection(*m_host, index, flags & ~SVSI_POSITIONITEM);
    }
    return S_OK;
}

STDMETHODIMP CHostView::SetCurrentFolderFlags(DWORD mask, DWORD flags)
{
    if (FAILED(Check()))
        return Check();
    ++m_host->counters.setFolderFlags;
    m_host->SetFolderFlags(mask, flags);
    return S_OK;
}

STDMETHODIMP CHostView::GetCurrentFolderFlags(DWORD* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = 0;
    if (FAILED(Check()))
        return Check();
    *flags = m_host->folderFlags;
    return S_OK;
}

STDMETHODIMP CHostView::GetItem(int, REFIID, void** ppv)
{
    if (ppv)
        *ppv = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CHostView::GetViewModeAndIconSize(FOLDERVIEWMODE* mode, int* size)
{
    if (FAILED(Check()))
        return Check();
    if (m_host->faults.noIconSize)
        return E_FAIL;
    if (mode)
        *mode = FVM_ICON;
    if (size)
        *size = m_host->iconSize;
    return S_OK;
}

STDMETHODIMP CHostView::SetRedraw(BOOL redraw)
{
    if (FAILED(Check()))
        return Check();
    m_host->SendInternal(WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
    return S_OK;
}
