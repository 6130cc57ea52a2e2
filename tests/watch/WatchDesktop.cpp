#include "tests/watch/WatchDesktop.h"
#include <shlobj.h>
#include <shlwapi.h>
#include "layout/WatchNames.h"
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kDesktopsKey[] = L"Software\\Wine\\Explorer\\Desktops";
const wchar_t kDesktop[] = L"OstrelWatchTest";
const wchar_t kInsideVariable[] = L"OSTREL_IN_VIRTUAL_DESKTOP";

// In desktop (null: this one), with this process's standard streams.
CHandle Launch(std::wstring command, const wchar_t* desktop = nullptr)
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

std::wstring LogPath()
{
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::wstring(folder) + L"\\Ostrel\\OstrelWatch.log";
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
    CHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    SetEnvironmentVariableW(kInsideVariable, L"1");
    CHandle process = Launch(L"\"" + std::wstring(program) + L"\" " + args, kDesktop);
    SetEnvironmentVariableW(kInsideVariable, nullptr);
    DWORD code = static_cast<DWORD>(-1);
    if (process && AssignProcessToJobObject(job.Get(), process.Get()) &&
        WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &code);
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

bool LaunchWithLayouts(CDeskHostProcess& host, const std::vector<DeskIcon>& small, const std::vector<DeskIcon>& big)
{
    DeleteLayouts();
    if (FAILED(host.Launch(small)) || !RunCliProcess({ L"save", L"/n", kSmallLayout, L"/y" }).finished)
        return false;
    host.Quit();
    return SUCCEEDED(host.Launch(big)) && RunCliProcess({ L"save", L"/y" }).out.find(kBigLayout) != std::wstring::npos;
}

void DeleteLayouts()
{
    for (const wchar_t* name : { kBigLayout, kSmallLayout }) {
        SHDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Quenlo\\Tovak\\") + name).c_str());
    }
    RemoveSnapshots();
}

Positions PositionsOf(const std::vector<DeskIcon>& icons)
{
    Positions positions;
    for (const DeskIcon& icon : icons)
        positions[icon.name] = { icon.pos.x, icon.pos.y };
    return positions;
}

bool MoveDesktopIcons(const std::vector<DeskIcon>& to)
{
    const Positions places = PositionsOf(to);
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    if (!pair.Open() || !ReadDesktopItems(pair, false, items, nullptr))
        return false;
    for (const CDesktopItem& item : items) {
        const auto place = places.find(item.name);
        POINT at = place == places.end() ? POINT{} : POINT{ place->second.first, place->second.second };
        PCUITEMID_CHILD child = item.child.Get();
        if (place == places.end() || PositionItems(pair.View(), 1, &child, &at) != S_OK)
            return false;
    }
    return true;
}

CWatchProcess::~CWatchProcess()
{
    if (m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.Get(), 1);
}

bool CWatchProcess::Start(const std::wstring& args, const std::wstring& folder)
{
    DeleteFileW(LogPath().c_str());
    m_program = (folder.empty() ? BinFolder() : folder) + L"\\" + kWatchExecutable;
    m_process = Launch(L"\"" + m_program + L"\" " + args);
    return m_process && WaitForWatchLog(L"Watching", 0, 10000);
}

bool CWatchProcess::Exit()
{
    CHandle exit = Launch(L"\"" + m_program + L"\" /exit");
    DWORD code = 1;
    return exit && WaitForSingleObject(exit.Get(), 20000) == WAIT_OBJECT_0 && GetExitCodeProcess(exit.Get(), &code) &&
           code == 0 && WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0;
}

size_t WatchLogMark()
{
    return ReadFileBytes(LogPath()).size();
}

std::wstring WatchLogSince(size_t mark)
{
    const std::string bytes = ReadFileBytes(LogPath());
    return mark < bytes.size() ? Widen(bytes.substr(mark)) : std::wstring();
}

bool WaitForWatchLog(const std::wstring& text, size_t mark, DWORD timeoutMs)
{
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end; Sleep(50)) {
        if (WatchLogSince(mark).find(text) != std::wstring::npos)
            return true;
    }
    return false;
}
