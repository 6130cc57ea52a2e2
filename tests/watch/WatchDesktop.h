#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
#include "layout/Owners.h"

// The watcher's test, benchmark and demo: OstrelWatch.exe and deskhost.exe in
// a Wine virtual desktop, the one place where Wine changes the display mode
// (it makes one for a desktop that the key Desktops under
// HKCU\Software\Wine\Explorer names). The run's own desktop, the X
// server's, is left alone.

// True in the process that RunInVirtualDesktop started.
bool InVirtualDesktop();
// Runs this program again with args in a virtual desktop of 1920 x 1080 and
// this process's standard streams; its exit code, or -1. What it started
// ends with it.
int RunInVirtualDesktop(const std::wstring& args, DWORD timeoutMs);
bool SetDisplayMode(int width, int height);

constexpr wchar_t kBigLayout[] = L"Layout 1920 x 1080 (48)";
constexpr wchar_t kSmallLayout[] = L"Layout 1280 x 1024 (48)";
// deskhost.exe showing big, after OstrelCli.exe saved small as the layout of
// 1280 x 1024 and big as that of 1920 x 1080.
bool LaunchWithLayouts(CDeskHostProcess& host, const std::vector<DeskIcon>& small, const std::vector<DeskIcon>& big);
void DeleteLayouts();

using Positions = std::map<std::wstring, std::pair<long, long>>;
Positions PositionsOf(const std::vector<DeskIcon>& icons);

// OstrelWatch.exe, ended when destroyed. Start waits for its window.
class CWatchProcess
{
public:
    ~CWatchProcess();
    bool Start();
    // OstrelWatch.exe /exit; true when that ended it.
    bool Exit();
    HANDLE Process() const { return m_process.Get(); }

private:
    CHandle m_process;
};

// The watcher's log: emptied, read from a byte offset on, waited on.
void ClearWatchLog();
size_t WatchLogMark();
std::wstring WatchLogSince(size_t mark);
bool WaitForWatchLog(const std::wstring& text, size_t mark, DWORD timeoutMs);
