#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

// What starts the wait for a settled desktop.
enum class WatchTrigger
{
    DisplayChange, // WM_DISPLAYCHANGE
    WorkArea,      // WM_SETTINGCHANGE with SPI_SETWORKAREA
    Dpi,           // WM_DPICHANGED
    ShellRestart,  // "TaskbarCreated": the shell started again, its desktop view is a new one
    Session,       // WM_WTSSESSION_CHANGE: remote connect, console connect, unlock
    Resume,        // WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC
    Setup,         // a look found another display setup than the one settled on
};

// Posted to the watcher's window by its shell worker (watch/ShellWorker).
constexpr UINT kShellJobDoneMessage = WM_APP + 2;

// Whoever the watcher's window reports to.
class CWatchHandler
{
public:
    virtual ~CWatchHandler() = default;
    virtual void OnTrigger(WatchTrigger trigger) = 0;
    // The settling timer of the window fired.
    virtual void OnTimer() = 0;
    // kWatchSettingsMessage: the settings changed.
    virtual void OnSettingsChanged() = 0;
    // A command of the notification icon's menu (IDM_*) other than Exit.
    virtual void OnCommand(UINT command) = 0;
    // kShellJobDoneMessage: the shell worker ended the job of this serial.
    virtual void OnShellJobDone(WPARAM serial) = 0;
    // Checks "Pause Automatic Restore" in the menu.
    virtual bool Paused() const = 0;
    // WM_WTSSESSION_CHANGE: locked or disconnected (false), unlocked or
    // connected (true).
    virtual void OnSessionActive(bool active) = 0;
    // Before the display is likely to change: suspend, lock, the end of the
    // session.
    virtual void OnLeaving() = 0;
    // The items of "Earlier Arrangements" as the menu opens; picking the one
    // at index i comes as OnCommand(IDM_EARLIER_FIRST + i).
    virtual std::vector<std::wstring> EarlierArrangements() = 0;
};

// The watcher's hidden top-level window (kWatchWindowClass): not a
// message-only window, since WM_DISPLAYCHANGE and broadcasts reach top-level
// windows only. It carries the notification icon and its menu, and the one
// timer of the program, which runs only while a change is pending.
class CWatchWindow
{
public:
    CWatchWindow() = default;
    ~CWatchWindow();
    CWatchWindow(const CWatchWindow&) = delete;
    CWatchWindow& operator=(const CWatchWindow&) = delete;

    bool Create(HINSTANCE instance, CWatchHandler& handler);
    HWND Handle() const { return m_window; }

    // The text shown over the notification icon.
    void SetTip(const wchar_t* text);
    // The timer fires every intervalMs until stopped.
    void StartTimer(UINT intervalMs);
    void StopTimer();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void AddIcon();
    void ShowMenu(POINT at);

    HINSTANCE m_instance = nullptr;
    HWND m_window = nullptr;
    CWatchHandler* m_handler = nullptr;
    NOTIFYICONDATAW m_icon = {};
    bool m_timer = false;
    bool m_sessionNotes = false;
    UINT m_taskbarCreated = 0;
    UINT m_settingsChanged = 0;
};
