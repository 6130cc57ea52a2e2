#include "tests/shellext/ServerDll.h"
#include <shlwapi.h>
#include "shellext/DeskMenuIds.h"
#include "tests/common/TestSupport.h"

CServerDll& CServerDll::Get()
{
    static CServerDll s_dll;
    return s_dll;
}

template <class Fn>
static void Bind(HMODULE module, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

CServerDll::CServerDll()
{
    m_path = BinFolder() + L"\\ostrelsx.dll";
    m_module = LoadLibraryW(m_path.c_str());
    if (!m_module)
        return;
    Bind(m_module, "DllGetClassObject", m_getClassObject);
    Bind(m_module, "DllCanUnloadNow", m_canUnloadNow);
    Bind(m_module, "DllRegisterServer", m_register);
    Bind(m_module, "DllUnregisterServer", m_unregister);
}

HRESULT CServerDll::GetClassObject(REFCLSID clsid, REFIID riid, void** result) const
{
    return m_getClassObject ? m_getClassObject(clsid, riid, result) : E_UNEXPECTED;
}

HRESULT CServerDll::CanUnloadNow() const
{
    return m_canUnloadNow ? m_canUnloadNow() : E_UNEXPECTED;
}

HRESULT CServerDll::Register() const
{
    return m_register ? m_register() : E_UNEXPECTED;
}

HRESULT CServerDll::Unregister() const
{
    return m_unregister ? m_unregister() : E_UNEXPECTED;
}

HRESULT CServerDll::CreateMenu(REFIID riid, void** result) const
{
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, riid, result);
    factory->Release();
    return hr;
}

CScopedClassObject::CScopedClassObject()
{
    IUnknown* factory = nullptr;
    if (SUCCEEDED(CServerDll::Get().GetClassObject(CLSID_DeskMenu, IID_IUnknown, reinterpret_cast<void**>(&factory)))) {
        CoRegisterClassObject(CLSID_DeskMenu, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
        factory->Release();
    }
}

CScopedClassObject::~CScopedClassObject()
{
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
}

CScopedClassesRoot::CScopedClassesRoot()
{
    static int s_serial;
    m_name = L"Software\\OstrelTests\\Classes" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++s_serial);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCreateKeyExW(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_scratch, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, m_scratch);
}

CScopedClassesRoot::~CScopedClassesRoot()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    if (m_scratch)
        RegCloseKey(m_scratch);
    SHDeleteKeyW(HKEY_CURRENT_USER, m_name.c_str());
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ValueText(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t text[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_ANY, &type, text, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    if (type != REG_SZ)
        return L"<not text>";
    return text;
}
