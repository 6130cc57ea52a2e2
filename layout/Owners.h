#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>

// The owners of what the system hands out, for the product and the tests
// alike: a counted interface pointer, an item identifier list, a text
// allocated with CoTaskMemAlloc, a VARIANT, a registry key handle, a loaded
// module and a kernel handle. Each is non-copyable, movable where a caller
// needs it, and releases or frees what it holds when it goes.

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

    // Takes a reference of its own to p, which the caller keeps; null empties.
    void Assign(T* p)
    {
        if (p)
            p->AddRef();
        Reset();
        m_p = p;
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

// An item identifier list that the shell allocated with CoTaskMemAlloc.
template <class List>
class CIdList
{
public:
    CIdList() = default;
    explicit CIdList(List adopted) : m_list(adopted) {}
    ~CIdList() { Reset(); }
    CIdList(const CIdList&) = delete;
    CIdList& operator=(const CIdList&) = delete;
    CIdList(CIdList&& other) noexcept : m_list(other.m_list) { other.m_list = nullptr; }
    CIdList& operator=(CIdList&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_list = other.m_list;
            other.m_list = nullptr;
        }
        return *this;
    }

    List Get() const { return m_list; }
    explicit operator bool() const { return m_list != nullptr; }
    List* Put()
    {
        Reset();
        return &m_list;
    }
    void Reset()
    {
        CoTaskMemFree(m_list);
        m_list = nullptr;
    }
    List Detach()
    {
        List list = m_list;
        m_list = nullptr;
        return list;
    }

private:
    List m_list = nullptr;
};

// A child item identifier list (one item of a folder).
using CItemIdList = CIdList<PITEMID_CHILD>;
// An absolute item identifier list (from the desktop down).
using CAbsoluteIdList = CIdList<PIDLIST_ABSOLUTE>;

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

// A VARIANT, cleared when it goes.
class CVariant
{
public:
    CVariant() { VariantInit(&m_value); }
    ~CVariant() { VariantClear(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* Get() { return &m_value; }

private:
    VARIANT m_value;
};

// An open registry key handle (RegOpenKeyExW, RegCreateKeyExW).
class CKeyHandle
{
public:
    CKeyHandle() = default;
    explicit CKeyHandle(HKEY adopted) : m_key(adopted) {}
    ~CKeyHandle() { Reset(); }
    CKeyHandle(const CKeyHandle&) = delete;
    CKeyHandle& operator=(const CKeyHandle&) = delete;

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }
    HKEY* Put()
    {
        Reset();
        return &m_key;
    }
    void Reset()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    HKEY m_key = nullptr;
};

// A module loaded with LoadLibraryW (or LoadLibraryExW).
class CModule
{
public:
    CModule() = default;
    explicit CModule(const wchar_t* name) : m_module(LoadLibraryW(name)) {}
    explicit CModule(HMODULE adopted) : m_module(adopted) {}
    ~CModule() { Reset(); }
    CModule(const CModule&) = delete;
    CModule& operator=(const CModule&) = delete;

    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }
    void Reset()
    {
        if (m_module)
            FreeLibrary(m_module);
        m_module = nullptr;
    }

private:
    HMODULE m_module = nullptr;
};

// A kernel object handle; both null and INVALID_HANDLE_VALUE mean none.
class CHandle
{
public:
    CHandle() = default;
    explicit CHandle(HANDLE adopted) : m_handle(adopted) {}
    ~CHandle() { Reset(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_handle = other.m_handle;
            other.m_handle = nullptr;
        }
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE* Put()
    {
        Reset();
        return &m_handle;
    }
    void Reset(HANDLE adopted = nullptr)
    {
        if (*this)
            CloseHandle(m_handle);
        m_handle = adopted;
    }
    HANDLE Detach()
    {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    HANDLE m_handle = nullptr;
};
