#pragma once
#include <windows.h>
#include <string>

// The watcher's log: one line per trigger and per action, local time first,
// in UTF-8. When it would grow past kWatchLogLimit the older half is dropped.
// A log that cannot be written is passed over: it never stops the watcher.
class CWatchLog
{
public:
    static constexpr DWORD kWatchLogLimit = 256 * 1024;

    // An empty path writes nothing.
    explicit CWatchLog(std::wstring path) : m_path(std::move(path)) {}
    void Write(const std::wstring& text);
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// %LOCALAPPDATA%\Ostrel\OstrelWatch.log, its folder made when missing; empty
// when there is no such folder.
std::wstring DefaultWatchLogPath();
