#include "HostObjects.h"
#include <commctrl.h>
#include <vector>

namespace {

// The view's items as IFolderView::Items hands them out: a snapshot of their
// child ID lists, taken when the enumerator is made.
class CHostItemEnum final : public IEnumIDList
{
public:
    explicit CHostItemEnum(std::vector<PITEMID_CHILD>&& items) : m_items(std::move(items)) {}
    ~CHostItemEnum()
    {
        for (PITEMID_CHILD item : m_items)
            CoTaskMemFree(item);
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumIDList)
            return E_NOINTERFACE;
        *ppv = static_cast<IEnumIDList*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP Next(ULONG count, PITEMID_CHILD* items, ULONG* fetched) override
    {
        if (!items || (count > 1 && !fetched))
            return E_POINTER;
        ULONG got = 0;
        while (got < count && m_next < m_items.size()) {
            items[got] = static_cast<PITEMID_CHILD>(ILClone(m_items[m_next]));
            if (!items[got])
                break;
            ++got;
            ++m_next;
        }
        if (fetched)
            *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        const size_t left = m_items.size() - m_next;
        m_next += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumIDList** copy) override
    {
        if (!copy)
            return E_POINTER;
        std::vector<PITEMID_CHILD> items;
        for (PITEMID_CHILD item : m_items)
            items.push_back(static_cast<PITEMID_CHILD>(ILClone(item)));
        auto* clone = new CHostItemEnum(std::move(items));
        clone->m_next = m_next;
        *copy = clone;
        return S_OK;
    }

private:
    LONG m_refs = 1;
    std::vector<PITEMID_CHILD> m_items;
    size_t m_next = 0;
};

} // namespace

HRESULT CreateHostItemEnum(CDeskHostImpl& host, UINT flags, REFIID riid, void** ppv)
{
    std::vector<PITEMID_CHILD> items;
    const int count = host.Count();
    items.reserve(static_cast<size_t>(count > 0 ? count : 0));
    // As on Windows, the selected items come first unless the caller asks
    // for the view's order.
    const bool viewOrder = (flags & SVGIO_FLAG_VIEWORDER) != 0;
    std::vector<int> order;
    std::vector<int> rest;
    for (int i = 0; i < count; ++i) {
        const bool selected =
            !viewOrder && (host.SendInternal(LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) & LVIS_SELECTED);
        (selected ? order : rest).push_back(i);
    }
    order.insert(order.end(), rest.begin(), rest.end());
    for (int i : order) {
        if (PITEMID_CHILD child = host.HandOut(i))
            items.push_back(child);
    }
    CHostItemEnum* enumerator = new CHostItemEnum(std::move(items));
    const HRESULT hr = enumerator->QueryInterface(riid, ppv);
    enumerator->Release();
    return hr;
}
