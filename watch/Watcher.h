#pragma once
#include <windows.h>
#include <string>
#include "watch/Settle.h"
#include "watch/WatchContext.h"
#include "watch/WatchWindow.h"

// The watcher: hears the triggers through its window and restores the layout
// of the display configuration on screen once the desktop has settled
// (CSettle). Its timer runs only while a change is pending.
class CWatcher : public CWatchHandler
{
public:
    explicit CWatcher(CWatchContext& context) : m_context(context), m_settle(*context.clock) {}
    bool Start(HINSTANCE instance);

    void OnTrigger(WatchTrigger trigger) override;
    void OnTimer() override;
    void OnSettingsChanged() override;
    void OnCommand(UINT command) override;
    bool Paused() const override { return m_paused; }

private:
    bool Watching() const { return !m_paused && m_autoRestore; }
    // Every look at the desktop and every restore runs from the timer.
    void Restore();
    void Schedule();
    // Logs the action and shows it over the notification icon.
    void Tell(const std::wstring& action);

    CWatchContext& m_context;
    CWatchWindow m_window;
    CSettle m_settle;
    bool m_paused = false;
    bool m_autoRestore = true;
    // Asked for since the last tick of the timer: triggers (the first look
    // of a change), taking the desktop on screen as settled, Restore Now,
    // Undo Last Restore.
    bool m_triggered = false;
    ULONGLONG m_triggeredAt = 0;
    bool m_shellRestarted = false;
    bool m_rebase = false;
    bool m_restoreNow = false;
    bool m_undo = false;
    // Every call on the shell's view waits in a loop that dispatches this
    // thread's messages, timer ones included: a look or a restore must not
    // start inside another.
    bool m_busy = false;
};
