#pragma once
#include <windows.h>
#include <string>
#include "layout/Owners.h"

// OstrelWatch.exe and deskhost.exe where the display mode can change: a Wine
// virtual desktop. The tests' own desktop is the X server's, with one mode,
// and Wine changes the mode only in a virtual desktop, which it makes for a
// desktop named in HKCU\Software\Wine\Explorer\Desktops. A process of another
// desktop (the test run's) is not touched by the change.

// True in the process that RunInVirtualDesktop started.
bool InVirtualDesktop();
// Runs this program again with args in a virtual desktop of 1920 x 1080,
// with this process's standard streams; its exit code, or -1 when it did not
// start or end in time (then it and what it started are ended).
int RunInVirtualDesktop(const std::wstring& args, DWORD timeoutMs);
// The primary display's mode; true when it changed.
bool SetDisplayMode(int width, int height);

// OstrelWatch.exe as a process of its own; ended when destroyed.
class CWatchProcess
{
public:
    ~CWatchProcess();
    // Starts it and waits for its window.
    bool Start();
    // OstrelWatch.exe /exit; true when that ended it.
    bool Exit();
    HANDLE Process() const { return m_process.Get(); }

private:
    CHandle m_process;
};

// The watcher's log, %LOCALAPPDATA%\Ostrel\OstrelWatch.log.
class CWatchLogFile
{
public:
    CWatchLogFile();
    void Clear() const;
    // The log from the byte offset mark on, and its size now.
    std::wstring Since(size_t mark) const;
    size_t Mark() const;
    // Waits until text appears after mark.
    bool WaitFor(const std::wstring& text, size_t mark, DWORD timeoutMs) const;

private:
    std::wstring m_path;
};
