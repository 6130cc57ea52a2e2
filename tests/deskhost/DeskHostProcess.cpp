#include "DeskHostProcess.h"
#include <exdisp.h>
#include <cstdio>
#include "layout/Owners.h"
#include "layout/RegKey.h"

namespace {

const wchar_t kClassKey[] = L"CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}";
const wchar_t kThreading[] = L"ThreadingModel";
// The proxy/stub factory of deskhostps.dll.
const wchar_t kProxyClass[] = L"{6F1C2B57-3D0A-4E8B-9C41-7A2E5D0B8F13}";
// IShellFolder, IEnumIDList, IFolderView, IFolderView2.
const wchar_t* const kProxiedInterfaces[] = {
    L"{000214E6-0000-0000-C000-000000000046}", L"{000214F2-0000-0000-C000-000000000046}",
    L"{CDE725B0-CCC9-4519-917E-325D72FAB4CE}", L"{1AF3A467-214F-4298-908E-06B03E0B39F9}",
};

std::wstring Quoted(const std::wstring& arg)
{
    return L"\"" + arg + L"\"";
}

} // namespace

std::wstring DeskHostBinFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

HRESULT CDeskHostProcess::Launch(const std::vector<DeskIcon>& icons, int width, int height,
                                 const std::wstring& options)
{
    if (m_process)
        return E_UNEXPECTED;
    wchar_t names[2][64];
    const DWORD me = GetCurrentProcessId();
    static LONG launches = 0;
    const LONG serial = InterlockedIncrement(&launches);
    swprintf(names[0], 64, L"DeskHostReady.%lu.%ld", static_cast<unsigned long>(me), serial);
    swprintf(names[1], 64, L"DeskHostQuit.%lu.%ld", static_cast<unsigned long>(me), serial);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, names[0]);
    m_quit = CreateEventW(nullptr, TRUE, FALSE, names[1]);
    if (!ready || !m_quit) {
        if (ready)
            CloseHandle(ready);
        Quit();
        return HRESULT_FROM_WIN32(GetLastError());
    }

    std::wstring command = Quoted(DeskHostBinFolder() + L"deskhost.exe") + L" --publish --ready " +
                           names[0] + L" --quit " + names[1];
    if (width > 0 && height > 0)
        command += L" --width " + std::to_wstring(width) + L" --height " + std::to_wstring(height);
    if (!options.empty())
        command += L" " + options;
    command += L" \"\"";
    for (const DeskIcon& icon : icons) {
        command += L" " + Quoted(icon.name + L"=" + std::to_wstring(icon.pos.x) + L"," + std::to_wstring(icon.pos.y));
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        CloseHandle(ready);
        Quit();
        return hr;
    }
    CloseHandle(info.hThread);
    m_process = info.hProcess;
    m_processId = info.dwProcessId;

    // Up when it says so; a host that fails to start exits instead.
    HANDLE waits[2] = { ready, m_process };
    const DWORD wait = WaitForMultipleObjects(2, waits, FALSE, 30000);
    CloseHandle(ready);
    if (wait == WAIT_OBJECT_0)
        return S_OK;
    Quit();
    return wait == WAIT_OBJECT_0 + 1 ? E_FAIL : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
}

bool CDeskHostProcess::LayOutAgain() const
{
    struct Search
    {
        DWORD processId;
        HWND window;
    } search = { m_processId, nullptr };
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            Search* found = reinterpret_cast<Search*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            // Its desktop window: "Progman", at the bottom as the shell
            // window, or "WorkerW".
            wchar_t name[16] = {};
            GetClassNameW(hwnd, name, ARRAYSIZE(name));
            if (owner != found->processId || (lstrcmpW(name, L"Progman") != 0 && lstrcmpW(name, L"WorkerW") != 0))
                return TRUE;
            found->window = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!m_process || !search.window)
        return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(search.window, RegisterWindowMessageW(kDeskHostLayOutAgain), 0, 0, SMTO_ABORTIFHUNG,
                               10000, &result) && result == 1;
}

bool CDeskHostProcess::SetViewAnswering(bool answering) const
{
    if (!m_process)
        return false;
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, DeskHostAnsweringEvent(m_processId).c_str()));
    return event && (answering ? SetEvent(event.Get()) : ResetEvent(event.Get()));
}

void CDeskHostProcess::Quit()
{
    if (m_process) {
        SetViewAnswering(true);
        SetEvent(m_quit);
        if (WaitForSingleObject(m_process, 30000) != WAIT_OBJECT_0)
            TerminateProcess(m_process, 1);
        CloseHandle(m_process);
        m_process = nullptr;
        m_processId = 0;
    }
    if (m_quit) {
        CloseHandle(m_quit);
        m_quit = nullptr;
    }
}

CShellWindowsForwarding::CShellWindowsForwarding()
{
    const std::wstring bin = DeskHostBinFolder();
    const std::wstring server = std::wstring(kClassKey) + L"\\InprocServer32";
    const std::wstring psServer = std::wstring(L"CLSID\\") + kProxyClass + L"\\InprocServer32";
    bool ok = Set(server, nullptr, bin + L"deskhostfwd.dll") && Set(server, kThreading, L"Apartment") &&
              Set(psServer, nullptr, bin + L"deskhostps.dll") && Set(psServer, kThreading, L"Both");
    for (const wchar_t* iid : kProxiedInterfaces)
        ok = ok && Set(std::wstring(L"Interface\\") + iid + L"\\ProxyStubClsid32", nullptr, kProxyClass);
    m_installed = ok;
}

CShellWindowsForwarding::~CShellWindowsForwarding()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        CRegKey key(HKEY_CLASSES_ROOT, it->path.c_str(), KEY_READ | KEY_WRITE);
        if (it->existed) {
            if (key.Open())
                key.WriteText(it->value.empty() ? nullptr : it->value.c_str(), it->text.c_str());
            continue;
        }
        // A key made for the value goes again with it.
        const size_t slash = it->path.rfind(L'\\');
        CRegKey parent(HKEY_CLASSES_ROOT, it->path.substr(0, slash).c_str(), KEY_READ | KEY_WRITE);
        if (parent.Open())
            parent.DeleteSubKey(it->path.substr(slash + 1).c_str());
    }
    // The proxy/stub class is ours alone.
    CRegKey classes(HKEY_CLASSES_ROOT, L"CLSID", KEY_READ | KEY_WRITE);
    if (classes.Open())
        classes.DeleteSubKey(kProxyClass);
}

bool CShellWindowsForwarding::Set(const std::wstring& path, const wchar_t* value, const std::wstring& text)
{
    CRegKey key(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ | KEY_WRITE);
    if (!key.Open())
        return false;
    Saved saved;
    saved.path = path;
    saved.value = value ? value : L"";
    wchar_t previous[kNameBufferChars];
    saved.existed = key.ReadText(value, previous, kNameBufferChars, L"");
    saved.text = previous;
    m_saved.push_back(saved);
    return key.WriteText(value, text.c_str());
}
