#include "tests/watch/WatchDesktop.h"
#include <shlobj.h>
#include "layout/WatchNames.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kDesktopsKey[] = L"Software\\Wine\\Explorer\\Desktops";
const wchar_t kDesktop[] = L"OstrelWatchTest";
const wchar_t kInsideVariable[] = L"OSTREL_IN_VIRTUAL_DESKTOP";

// In desktop (null: this one), with this process's standard streams.
CHandle Launch(std::wstring command, const wchar_t* desktop)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = const_cast<wchar_t*>(desktop);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return CHandle();
    CloseHandle(info.hThread);
    return CHandle(info.hProcess);
}

std::wstring Program()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

bool InVirtualDesktop()
{
    return GetEnvironmentVariableW(kInsideVariable, nullptr, 0) > 0;
}

int RunInVirtualDesktop(const std::wstring& args, DWORD timeoutMs)
{
    const wchar_t size[] = L"1920x1080";
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopsKey, kDesktop, REG_SZ, size, sizeof(size));
    HDESK desktop = CreateDesktopW(kDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    // Whatever the program starts there ends with it.
    CHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));

    SetEnvironmentVariableW(kInsideVariable, L"1");
    CHandle process = Launch(L"\"" + Program() + L"\" " + args, kDesktop);
    SetEnvironmentVariableW(kInsideVariable, nullptr);
    DWORD code = static_cast<DWORD>(-1);
    if (process) {
        AssignProcessToJobObject(job.Get(), process.Get());
        if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.Get(), &code);
    }
    job.Reset();
    if (desktop)
        CloseDesktop(desktop);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopsKey, kDesktop);
    return static_cast<int>(code);
}

bool SetDisplayMode(int width, int height)
{
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr) == DISP_CHANGE_SUCCESSFUL;
}

CWatchProcess::~CWatchProcess()
{
    if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.Get(), 1);
}

bool CWatchProcess::Start()
{
    m_process = Launch(L"\"" + BinFolder() + L"\\" + kWatchExecutable + L"\"", nullptr);
    for (int i = 0; m_process && i < 200; ++i) {
        if (FindWindowW(kWatchWindowClass, nullptr))
            return true;
        Sleep(50);
    }
    return false;
}

bool CWatchProcess::Exit()
{
    CHandle exit = Launch(L"\"" + BinFolder() + L"\\" + kWatchExecutable + L"\" /exit", nullptr);
    DWORD code = 1;
    if (!exit || WaitForSingleObject(exit.Get(), 20000) != WAIT_OBJECT_0 || !GetExitCodeProcess(exit.Get(), &code))
        return false;
    return code == 0 && WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
}

CWatchLogFile::CWatchLogFile()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    m_path = std::wstring(folder) + L"\\Ostrel\\OstrelWatch.log";
}

void CWatchLogFile::Clear() const
{
    DeleteFileW(m_path.c_str());
}

size_t CWatchLogFile::Mark() const
{
    return ReadFileBytes(m_path).size();
}

std::wstring CWatchLogFile::Since(size_t mark) const
{
    const std::string bytes = ReadFileBytes(m_path);
    return mark < bytes.size() ? Widen(bytes.substr(mark)) : std::wstring();
}

bool CWatchLogFile::WaitFor(const std::wstring& text, size_t mark, DWORD timeoutMs) const
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(50)) {
        if (Since(mark).find(text) != std::wstring::npos)
            return true;
    }
    return false;
}
