#include "tests/shellext/ShellExtFixture.h"
#include <shlwapi.h>
#include "shellext/DeskMenuIds.h"

namespace {

const std::wstring kStoreKey = L"Software\\Quenlo\\Tovak";

template <class Fn>
void Bind(HMODULE module, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

CServerDll& CServerDll::Get()
{
    static CServerDll s_dll;
    return s_dll;
}

CServerDll::CServerDll() : m_path(BinFolder() + L"\\ostrelsx.dll")
{
    m_module = LoadLibraryW(m_path.c_str());
    Bind(m_module, "DllGetClassObject", GetClassObject);
    Bind(m_module, "DllCanUnloadNow", CanUnloadNow);
    Bind(m_module, "DllRegisterServer", Register);
    Bind(m_module, "DllUnregisterServer", Unregister);
}

CShellApartment::CShellApartment(bool registerClassObject)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CComRef<IUnknown> factory;
    if (registerClassObject && CServerDll::Get().GetClassObject &&
        SUCCEEDED(CServerDll::Get().GetClassObject(CLSID_DeskMenu, IID_IUnknown, factory.PutVoid())))
        CoRegisterClassObject(CLSID_DeskMenu, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
}

CShellApartment::~CShellApartment()
{
    if (m_cookie)
        CoRevokeClassObject(m_cookie);
    CoUninitialize();
}

CScopedClassesRoot::CScopedClassesRoot()
    : m_name(L"Software\\OstrelTests\\Classes" + std::to_wstring(GetCurrentProcessId()))
{
    RegCreateKeyExW(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_scratch.Put(), nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, m_scratch.Get());
}

CScopedClassesRoot::~CScopedClassesRoot()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    m_scratch.Reset();
    SHDeleteKeyW(HKEY_CURRENT_USER, m_name.c_str());
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    CKeyHandle key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring ValueText(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t text[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

const std::wstring kDeskMenuClassKey = L"CLSID\\{7E74422F-2393-11D4-98E0-444553540000}";

namespace {

const std::wstring kClsid = L"{7E74422F-2393-11D4-98E0-444553540000}";
const std::wstring kTypeLibKey = L"TypeLib\\{7E744221-2393-11D4-98E0-444553540000}";
const std::wstring kInterfaceKey = L"Interface\\{7E74422E-2393-11D4-98E0-444553540000}";
const std::wstring kDesktopHandler = L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu";
const std::wstring kFolderHandler = L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu";
// The class of the Windows 11 menu entry.
const std::wstring kCommandClassKey = L"CLSID\\{3CF56362-613B-49A9-B24D-BAD23D47F2D9}";

} // namespace

void ExpectServerRegistered(const std::wstring& dllPath)
{
    const std::wstring& classKey = kDeskMenuClassKey;
    const struct
    {
        std::wstring key;
        const wchar_t* name;
        std::wstring data;
    } expected[] = {
        { L"Tovak.DeskMenu.1", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu.1\\CLSID", nullptr, kClsid },
        { L"Tovak.DeskMenu", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu\\CLSID", nullptr, kClsid },
        { L"Tovak.DeskMenu\\CurVer", nullptr, L"Tovak.DeskMenu.1" },
        { classKey, nullptr, L"DeskMenu Class" },
        { classKey + L"\\ProgID", nullptr, L"Tovak.DeskMenu.1" },
        { classKey + L"\\VersionIndependentProgID", nullptr, L"Tovak.DeskMenu" },
        { classKey + L"\\InprocServer32", nullptr, dllPath },
        { classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment" },
        { classKey + L"\\TypeLib", nullptr, L"{7E744221-2393-11D4-98E0-444553540000}" },
        { kFolderHandler, nullptr, L"{7E74422F-2393-11D4-98E0-444553540001}" },
        { kDesktopHandler, nullptr, kClsid },
        { kTypeLibKey + L"\\1.1\\409\\win64", nullptr, dllPath },
        { kInterfaceKey, nullptr, L"IDeskMenu" },
        { kCommandClassKey, nullptr, L"Ostrel Explorer Command" },
        { kCommandClassKey + L"\\InprocServer32", nullptr, dllPath },
        { kCommandClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment" },
    };
    for (const auto& value : expected)
        EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, value.key, value.name), value.data) << Narrow(value.key);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, classKey + L"\\Programmable"));
}

void ExpectServerUnregistered()
{
    for (const std::wstring& key : { std::wstring(L"Tovak.DeskMenu.1"), std::wstring(L"Tovak.DeskMenu"),
                                     kDeskMenuClassKey, kTypeLibKey, kInterfaceKey, kDesktopHandler, kFolderHandler,
                                     kCommandClassKey })
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << Narrow(key);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

DWORD RunProgram(std::wstring commandLine, DWORD timeoutMs, bool waitForChildren)
{
    // The processes run in a job whose completion port says when the last
    // of them has ended: an uninstaller hands its work to a copy of itself
    // in the temp folder and returns at once.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = { job, port };
    SetInformationJobObject(job, JobObjectAssociateCompletionPortInformation, &association, sizeof(association));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    DWORD code = static_cast<DWORD>(-1);
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                       &startup, &process)) {
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED overlapped = nullptr;
        if (!waitForChildren)
            WaitForSingleObject(process.hProcess, timeoutMs);
        while (waitForChildren && GetQueuedCompletionStatus(port, &message, &key, &overlapped, timeoutMs) &&
               message != JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) {
        }
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(port);
    CloseHandle(job);
    return code;
}

void StoreSetting(const wchar_t* name, DWORD value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kStoreKey.c_str(), name, REG_DWORD, &value, sizeof(value));
}

long StoredSetting(const wchar_t* name)
{
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kStoreKey.c_str(), name, RRF_RT_ANY, &type, &value, &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(value))
        return -1;
    return static_cast<long>(value);
}

std::vector<std::wstring> MenuTexts(HMENU menu)
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        texts.push_back((info.fType & MFT_SEPARATOR) ? L"-" : text);
    }
    return texts;
}

CComRef<IContextMenu> NewInitialisedMenu(IUnknown* site)
{
    CComRef<IContextMenu> menu;
    CComRef<IShellExtInit> init;
    CComRef<IObjectWithSite> withSite;
    if (FAILED(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid())))
        return menu;
    if (site && SUCCEEDED(menu.Query(IID_IObjectWithSite, withSite)))
        withSite->SetSite(site);
    if (SUCCEEDED(menu.Query(IID_IShellExtInit, init)))
        init->Initialize(nullptr, nullptr, nullptr);
    return menu;
}

HRESULT InvokeOffset(IContextMenu* menu, UINT offset, HWND owner)
{
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}

COwnerWindow::COwnerWindow()
{
    m_window = CreateWindowExW(0, L"Static", L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
}

void HostedMenuTest::SetUp()
{
    ASSERT_NE(CServerDll::Get().Module(), nullptr);
    ASSERT_EQ(host.Start(DeskHostOptions(), { { L"Alpha.txt", { 100, 100 } }, { L"Beta.txt", { 300, 100 } },
                                              { L"Gamma.txt", { 100, 300 } } }),
              S_OK);
}

void HostedMenuTest::Invoke(UINT offset, const CUiDriver::Script& script)
{
    CComRef<IContextMenu> handler = NewInitialisedMenu(host.Site());
    ASSERT_TRUE(handler);
    HMENU menu = CreatePopupMenu();
    handler->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    CUiDriver driver(script);
    EXPECT_EQ(InvokeOffset(handler.Get(), offset, owner.Handle()), S_OK);
    driver.Finish();
    DestroyMenu(menu);
    for (const std::string& error : driver.Errors())
        ADD_FAILURE() << error;
}

std::wstring HostedMenuTest::CurrentLayoutName()
{
    return L"Layout " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" x " +
           std::to_wstring(GetSystemMetrics(SM_CYSCREEN)) + L" (48)";
}

bool HostedMenuTest::LayoutExists(const std::wstring& name)
{
    return KeyExists(HKEY_CURRENT_USER, kStoreKey + L"\\" + name);
}

void HostedMenuTest::MakeLayoutKey(const std::wstring& name)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, (kStoreKey + L"\\" + name).c_str(), L"Marker", REG_SZ, L"m", 4);
}

bool HostedMenuTest::HasMarker(const std::wstring& name)
{
    return ValueText(HKEY_CURRENT_USER, kStoreKey + L"\\" + name, L"Marker") == L"m";
}
