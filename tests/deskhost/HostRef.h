#pragma once
#include <windows.h>
#include <shlobj.h>

// Owner of one COM interface pointer.
template <class T>
class CHostRef
{
public:
    CHostRef() = default;
    explicit CHostRef(T* adopted) : m_p(adopted) {}
    ~CHostRef() { Reset(); }
    CHostRef(const CHostRef&) = delete;
    CHostRef& operator=(const CHostRef&) = delete;

    void Reset(T* adopted = nullptr)
    {
        if (m_p)
            m_p->Release();
        m_p = adopted;
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T** Out() { Reset(); return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* Detach() { T* p = m_p; m_p = nullptr; return p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// Owner of an item identifier list allocated with the COM task allocator.
class CHostIdList
{
public:
    CHostIdList() = default;
    explicit CHostIdList(LPITEMIDLIST adopted) : m_p(adopted) {}
    ~CHostIdList() { CoTaskMemFree(m_p); }
    CHostIdList(const CHostIdList&) = delete;
    CHostIdList& operator=(const CHostIdList&) = delete;

    LPITEMIDLIST Get() const { return m_p; }
    LPITEMIDLIST* Out() { CoTaskMemFree(m_p); m_p = nullptr; return &m_p; }
    LPITEMIDLIST Detach() { LPITEMIDLIST p = m_p; m_p = nullptr; return p; }

private:
    LPITEMIDLIST m_p = nullptr;
};
