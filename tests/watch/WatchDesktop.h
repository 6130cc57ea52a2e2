#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
#include "layout/Owners.h"

// The watcher's test, benchmark and demo run OstrelWatch.exe and deskhost.exe
// in a Wine virtual desktop, where alone Wine changes the display mode; the
// run's own desktop is left alone. RunInVirtualDesktop runs this program
// again with args in one of 1920 x 1080 (InVirtualDesktop() is true there),
// with this process's standard streams: its exit code, or -1. What it
// started ends with it.
bool InVirtualDesktop();
int RunInVirtualDesktop(const std::wstring& args, DWORD timeoutMs);
bool SetDisplayMode(int width, int height);

constexpr wchar_t kBigLayout[] = L"Layout 1920 x 1080 (48)";
constexpr wchar_t kSmallLayout[] = L"Layout 1280 x 1024 (48)";
// deskhost.exe showing big; OstrelCli.exe saved small and big as the layouts
// of 1280 x 1024 and 1920 x 1080.
bool LaunchWithLayouts(CDeskHostProcess& host, const std::vector<DeskIcon>& small, const std::vector<DeskIcon>& big);
void DeleteLayouts();

using Positions = std::map<std::wstring, std::pair<long, long>>;
Positions PositionsOf(const std::vector<DeskIcon>& icons);
// Moves each desktop item named in to there through the shell's view, as a
// user's drag ends; false when one could not be moved or is not named.
bool MoveDesktopIcons(const std::vector<DeskIcon>& to);

// OstrelWatch.exe, ended when destroyed. Start empties its log and waits
// until it watches; Exit runs OstrelWatch.exe /exit: true when that ended it.
class CWatchProcess
{
public:
    ~CWatchProcess();
    // From folder (the build's programs when empty), with args.
    bool Start(const std::wstring& args = std::wstring(), const std::wstring& folder = std::wstring());
    bool Exit();
    HANDLE Process() const { return m_process.Get(); }

private:
    CHandle m_process;
    std::wstring m_program;
};

// The watcher's log, read from a byte offset on, and waited on.
size_t WatchLogMark();
std::wstring WatchLogSince(size_t mark);
bool WaitForWatchLog(const std::wstring& text, size_t mark, DWORD timeoutMs);
