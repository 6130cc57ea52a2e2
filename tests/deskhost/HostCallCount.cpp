#include "HostCallCount.h"
#include <objbase.h>
#include <objidl.h>
#include <shobjidl.h>
#include <cwchar>

namespace {

// IRemUnknown, through which proxies add and release references and query
// interfaces of remote objects.
const IID kIidRemUnknown = { 0x00000131, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
const IID kIidRemUnknown2 = { 0x00000143, 0x0000, 0x0000, { 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };
// The extension id under which the hook is registered; it adds no data to
// any call.
const GUID kCountingHook = { 0x5d3e91a4, 0x2c7b, 0x4f08, { 0x9a, 0x61, 0x3b, 0x8e, 0x47, 0xd2, 0x10, 0xc5 } };

void SectionName(DWORD processId, wchar_t (&name)[64])
{
    swprintf(name, 64, L"Local\\OstrelDeskHostCalls.%lu", static_cast<unsigned long>(processId));
}

class CCountingHook : public IChannelHook
{
public:
    explicit CCountingHook(DeskHostCallCounts* counts) : m_counts(counts) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IChannelHook)
            return E_NOINTERFACE;
        *ppv = static_cast<IChannelHook*>(this);
        return S_OK;
    }
    // Lives as long as the process.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(void) ClientGetSize(REFGUID, REFIID, ULONG* size) override { *size = 0; }
    STDMETHODIMP_(void) ClientFillBuffer(REFGUID, REFIID, ULONG* size, void*) override { *size = 0; }
    STDMETHODIMP_(void) ClientNotify(REFGUID, REFIID, ULONG, void*, DWORD, HRESULT) override {}
    STDMETHODIMP_(void) ServerNotify(REFGUID, REFIID, ULONG, void*, DWORD) override {}
    // Called once for every call the host answers, when the reply is made.
    // (ServerNotify would do on Windows, but Wine calls it only for calls
    // that carry data of a client's hook.)
    STDMETHODIMP_(void) ServerGetSize(REFGUID, REFIID riid, HRESULT, ULONG* size) override
    {
        *size = 0;
        InterlockedIncrement(&m_counts->total);
        if (riid == IID_IFolderView || riid == IID_IFolderView2 || riid == IID_IShellView)
            InterlockedIncrement(&m_counts->view);
        else if (riid == IID_IShellFolder)
            InterlockedIncrement(&m_counts->folder);
        else if (riid == IID_IEnumIDList)
            InterlockedIncrement(&m_counts->enumerator);
        else if (riid == kIidRemUnknown || riid == kIidRemUnknown2)
            InterlockedIncrement(&m_counts->references);
        else
            InterlockedIncrement(&m_counts->other);
    }
    STDMETHODIMP_(void) ServerFillBuffer(REFGUID, REFIID, ULONG* size, void*, HRESULT) override { *size = 0; }

private:
    DeskHostCallCounts* m_counts;
};

} // namespace

bool StartCountingHostCalls()
{
    wchar_t name[64];
    SectionName(GetCurrentProcessId(), name);
    // Kept open for the life of the process.
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(DeskHostCallCounts), name);
    if (!section)
        return false;
    auto* counts = static_cast<DeskHostCallCounts*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    if (!counts) {
        CloseHandle(section);
        return false;
    }
    static CCountingHook* hook = new CCountingHook(counts);
    return SUCCEEDED(CoRegisterChannelHook(kCountingHook, hook));
}

bool CDeskHostCallCounter::Open(DWORD processId)
{
    Close();
    wchar_t name[64];
    SectionName(processId, name);
    m_section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name);
    if (!m_section)
        return false;
    m_counts = static_cast<DeskHostCallCounts*>(MapViewOfFile(m_section, FILE_MAP_WRITE, 0, 0, 0));
    if (m_counts)
        return true;
    Close();
    return false;
}

void CDeskHostCallCounter::Close()
{
    if (m_counts) {
        UnmapViewOfFile(m_counts);
        m_counts = nullptr;
    }
    if (m_section) {
        CloseHandle(m_section);
        m_section = nullptr;
    }
}

DeskHostCallCounts CDeskHostCallCounter::Read() const
{
    DeskHostCallCounts counts = {};
    if (!m_counts)
        return counts;
    MemoryBarrier();
    counts = *m_counts;
    return counts;
}

void CDeskHostCallCounter::Reset()
{
    if (!m_counts)
        return;
    InterlockedExchange(&m_counts->total, 0);
    InterlockedExchange(&m_counts->view, 0);
    InterlockedExchange(&m_counts->folder, 0);
    InterlockedExchange(&m_counts->enumerator, 0);
    InterlockedExchange(&m_counts->references, 0);
    InterlockedExchange(&m_counts->other, 0);
}
