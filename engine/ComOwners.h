#pragma once
#include <windows.h>
#include <objbase.h>
#include <shtypes.h>

// Small owners for what the shell hands out: a counted interface pointer, an
// item identifier list and a text allocated with CoTaskMemAlloc. Each is
// non-copyable and releases or frees what it holds when it goes.

template <class T>
class CComRef
{
public:
    CComRef() = default;
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    CComRef(CComRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CComRef& operator=(CComRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For calls that return a new reference; releases the old one first.
    T** Put()
    {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    void Reset()
    {
        if (m_p) {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

    // Hands the reference to the caller.
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

    // Asks the object for another of its interfaces.
    template <class U>
    HRESULT Query(REFIID iid, CComRef<U>& out) const
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(iid, out.PutVoid());
    }

private:
    T* m_p = nullptr;
};

// An item identifier list that the shell allocated for us.
class CItemIdList
{
public:
    CItemIdList() = default;
    ~CItemIdList() { Reset(); }
    CItemIdList(const CItemIdList&) = delete;
    CItemIdList& operator=(const CItemIdList&) = delete;
    CItemIdList(CItemIdList&& other) noexcept : m_list(other.m_list) { other.m_list = nullptr; }
    CItemIdList& operator=(CItemIdList&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_list = other.m_list;
            other.m_list = nullptr;
        }
        return *this;
    }

    PITEMID_CHILD Get() const { return m_list; }
    explicit operator bool() const { return m_list != nullptr; }
    PITEMID_CHILD* Put()
    {
        Reset();
        return &m_list;
    }
    void Reset()
    {
        CoTaskMemFree(m_list);
        m_list = nullptr;
    }

private:
    PITEMID_CHILD m_list = nullptr;
};

// A wide text allocated with CoTaskMemAlloc (StrRetToStrW and the like).
class CCoTaskText
{
public:
    CCoTaskText() = default;
    ~CCoTaskText() { CoTaskMemFree(m_text); }
    CCoTaskText(const CCoTaskText&) = delete;
    CCoTaskText& operator=(const CCoTaskText&) = delete;

    const wchar_t* Get() const { return m_text ? m_text : L""; }
    wchar_t** Put()
    {
        CoTaskMemFree(m_text);
        m_text = nullptr;
        return &m_text;
    }

private:
    wchar_t* m_text = nullptr;
};
