#include "DeskHostProcess.h"
#include <exdisp.h>
#include <cstdio>
#include "layout/RegKey.h"

namespace {

const wchar_t kClassKey[] = L"CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}";
const wchar_t kServer[] = L"InprocServer32";
const wchar_t kThreading[] = L"ThreadingModel";

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

HRESULT CDeskHostProcess::Launch(const std::vector<DeskIcon>& icons, int width, int height)
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

void CDeskHostProcess::Quit()
{
    if (m_process) {
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
    CRegKey key(HKEY_CLASSES_ROOT, kClassKey, KEY_READ | KEY_WRITE);
    if (!key.Open())
        return;
    wchar_t name[kNameBufferChars];
    for (DWORD i = 0; key.EnumSubKey(i, name); ++i)
        m_hadServer = m_hadServer || lstrcmpiW(name, kServer) == 0;
    if (!key.Descend(kServer))
        return;
    wchar_t text[kNameBufferChars];
    if (m_hadServer && key.ReadText(nullptr, text, kNameBufferChars, L""))
        m_previous = text;
    if (m_hadServer && key.ReadText(kThreading, text, kNameBufferChars, L""))
        m_previousModel = text;
    const std::wstring forwarder = DeskHostBinFolder() + L"deskhostfwd.dll";
    m_installed = key.WriteText(nullptr, forwarder.c_str()) && key.WriteText(kThreading, L"Apartment");
}

CShellWindowsForwarding::~CShellWindowsForwarding()
{
    if (!m_installed)
        return;
    CRegKey key(HKEY_CLASSES_ROOT, kClassKey, KEY_READ | KEY_WRITE);
    if (!key.Open())
        return;
    if (!m_hadServer) {
        key.DeleteSubKey(kServer);
        return;
    }
    if (key.Descend(kServer)) {
        key.WriteText(nullptr, m_previous.c_str());
        key.WriteText(kThreading, m_previousModel.c_str());
    }
}
