#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shtypes.h>
#include "layout/SystemLibrary.h"

// The owners of what the system hands out, for the product and the tests
// alike: a counted interface pointer, an item identifier list, a text
// allocated with CoTaskMemAlloc, a VARIANT, a registry key handle, a loaded
// module and a kernel handle. Each is non-copyable, movable, and releases or
// frees what it holds when it goes.

// One value, freed by Traits::Free unless Traits::IsEmpty says there is none.
template <class Value, class Traits>
class COwner
{
public:
    COwner() = default;
    explicit COwner(Value adopted) : m_value(adopted) {}
    ~COwner() { Reset(); }
    COwner(const COwner&) = delete;
    COwner& operator=(const COwner&) = delete;
    COwner(COwner&& other) noexcept : m_value(other.Detach()) {}
    COwner& operator=(COwner&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    Value Get() const { return m_value; }
    explicit operator bool() const { return !Traits::IsEmpty(m_value); }

    // For calls that hand out a new value; frees the old one first.
    Value* Put()
    {
        Reset();
        return &m_value;
    }

    void Reset(Value adopted = Value())
    {
        const Value old = m_value;
        m_value = adopted;
        if (!Traits::IsEmpty(old))
            Traits::Free(old);
    }

    // Hands the value to the caller.
    Value Detach()
    {
        const Value value = m_value;
        m_value = Value();
        return value;
    }

private:
    Value m_value = Value();
};

struct CComReleaseTraits
{
    static bool IsEmpty(IUnknown* p) { return p == nullptr; }
    static void Free(IUnknown* p) { p->Release(); }
};

// A counted interface pointer.
template <class T>
class CComRef : public COwner<T*, CComReleaseTraits>
{
public:
    using COwner<T*, CComReleaseTraits>::COwner;

    T* operator->() const { return this->Get(); }
    void** PutVoid() { return reinterpret_cast<void**>(this->Put()); }

    // Takes a reference of its own to p, which the caller keeps; null empties.
    void Assign(T* p)
    {
        if (p)
            p->AddRef();
        this->Reset(p);
    }

    // Asks the object for another of its interfaces.
    template <class U>
    HRESULT Query(REFIID iid, CComRef<U>& out) const
    {
        if (!this->Get())
            return E_POINTER;
        return this->Get()->QueryInterface(iid, out.PutVoid());
    }
};

struct CCoTaskFreeTraits
{
    static bool IsEmpty(const void* p) { return p == nullptr; }
    static void Free(void* p) { CoTaskMemFree(p); }
};

// An item identifier list that the shell allocated with CoTaskMemAlloc.
template <class List>
using CIdList = COwner<List, CCoTaskFreeTraits>;
// A child item identifier list (one item of a folder).
using CItemIdList = CIdList<PITEMID_CHILD>;
// An absolute item identifier list (from the desktop down).
using CAbsoluteIdList = CIdList<PIDLIST_ABSOLUTE>;

// A wide text allocated with CoTaskMemAlloc (StrRetToStrW and the like); an
// absent text reads as L"".
class CCoTaskText : public COwner<wchar_t*, CCoTaskFreeTraits>
{
public:
    const wchar_t* Get() const
    {
        const wchar_t* text = COwner::Get();
        return text ? text : L"";
    }
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

struct CKeyCloseTraits
{
    static bool IsEmpty(HKEY key) { return key == nullptr; }
    static void Free(HKEY key) { RegCloseKey(key); }
};

// An open registry key handle (RegOpenKeyExW, RegCreateKeyExW).
using CKeyHandle = COwner<HKEY, CKeyCloseTraits>;

struct CModuleFreeTraits
{
    static bool IsEmpty(HMODULE module) { return module == nullptr; }
    static void Free(HMODULE module) { FreeLibrary(module); }
};

// A loaded module; made from a name, a DLL of Windows from the system folder
// (LoadSystemLibrary).
class CModule : public COwner<HMODULE, CModuleFreeTraits>
{
public:
    using COwner::COwner;
    explicit CModule(const wchar_t* name) : COwner(LoadSystemLibrary(name)) {}
};

struct CHandleCloseTraits
{
    static bool IsEmpty(HANDLE handle) { return handle == nullptr || handle == INVALID_HANDLE_VALUE; }
    static void Free(HANDLE handle) { CloseHandle(handle); }
};

// A kernel object handle; both null and INVALID_HANDLE_VALUE mean none.
using CHandle = COwner<HANDLE, CHandleCloseTraits>;
