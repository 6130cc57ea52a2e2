#pragma once
#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>
#include <string>

// The built server DLL, loaded into the test process as the shell loads it,
// with its four exports.
class CServerDll
{
public:
    static CServerDll& Get();

    HMODULE Module() const { return m_module; }
    const std::wstring& Path() const { return m_path; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** result) const;
    HRESULT CanUnloadNow() const;
    HRESULT Register() const;
    HRESULT Unregister() const;

    // A new handler object from the DLL's class object, asked for riid.
    HRESULT CreateMenu(REFIID riid, void** result) const;

private:
    CServerDll();

    HMODULE m_module = nullptr;
    std::wstring m_path;
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* m_canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_register)() = nullptr;
    HRESULT(STDAPICALLTYPE* m_unregister)() = nullptr;
};

// Registers the DLL's class object with COM for this process, so that
// CoCreateInstance(CLSID_DeskMenu) reaches it without touching the registry.
class CScopedClassObject
{
public:
    CScopedClassObject();
    ~CScopedClassObject();
    CScopedClassObject(const CScopedClassObject&) = delete;
    CScopedClassObject& operator=(const CScopedClassObject&) = delete;

private:
    DWORD m_cookie = 0;
};

// Maps HKEY_CLASSES_ROOT onto a scratch key for the life of the object.
class CScopedClassesRoot
{
public:
    CScopedClassesRoot();
    ~CScopedClassesRoot();
    CScopedClassesRoot(const CScopedClassesRoot&) = delete;
    CScopedClassesRoot& operator=(const CScopedClassesRoot&) = delete;
    HKEY Scratch() const { return m_scratch; }

private:
    std::wstring m_name;
    HKEY m_scratch = nullptr;
};

// COM on the test's thread, apartment-threaded as in the shell.
class CComApartment
{
public:
    CComApartment() { m_hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_hr;
};

// Registry checks that go around the product's wrapper.
bool KeyExists(HKEY root, const std::wstring& path);
// The key's value as text; "<missing>" when the key or value is absent.
std::wstring ValueText(HKEY root, const std::wstring& path, const wchar_t* name = nullptr);
