#pragma once
#include <windows.h>
#include <string>
#include "watch/Settle.h"
#include "watch/ShellWorker.h"
#include "watch/WatchContext.h"
#include "watch/WatchWindow.h"

// The watcher: hears the triggers through its window and restores the layout
// of the display configuration on screen once the desktop has settled
// (CSettle). Every call into the shell's process runs on its shell worker,
// one at a time, within kShellTimeLimit; the window thread only hands the
// jobs over, takes their results and decides. Its timer runs only while a
// change is pending or a job runs.
class CWatcher : public CWatchHandler
{
public:
    static constexpr ULONGLONG kShellTimeLimit = 10000;

    explicit CWatcher(CWatchContext& context)
        : m_context(context), m_settle(*context.clock), m_worker(context.flavor)
    {
    }
    bool Start(HINSTANCE instance);

    void OnTrigger(WatchTrigger trigger) override;
    void OnTimer() override;
    void OnSettingsChanged() override;
    void OnCommand(UINT command) override;
    void OnShellJobDone(WPARAM serial) override;
    bool Paused() const override { return m_paused; }

private:
    // What the job on the worker is for.
    enum class Step
    {
        Start,            // the look at the start
        Rebase,           // a look taken as settled (paused, turned off or on, undone)
        Trigger,          // the first look after a trigger
        Settle,           // a look that CSettle asked for
        RestoreNow,       // "Restore Now"
        Undo,             // "Undo Last Restore"
        Restore,          // the first restore of a change
        RestoreAgain,     // its second, after the shell moved icons again
        LookAfterRestore, // what the restore left
    };

    bool Watching() const { return !m_paused && m_autoRestore; }
    void Run(Step step);
    void Looked(const CDesktopState& now);
    void Restored(const CWatchRestore& restore);
    // The job ran past kShellTimeLimit.
    void Abandon();
    void Started(const CDesktopState& now);
    void Schedule();
    // Logs the action and shows it over the notification icon.
    void Tell(const std::wstring& action);

    CWatchContext& m_context;
    CWatchWindow m_window;
    CSettle m_settle;
    CShellWorker m_worker;
    Step m_step = Step::Start;
    ULONGLONG m_jobDeadline = 0;
    bool m_paused = false;
    bool m_autoRestore = true;
    // Asked for since the last job began: triggers (the first look of a
    // change), taking the desktop on screen as settled, Restore Now, Undo
    // Last Restore.
    bool m_triggered = false;
    ULONGLONG m_triggeredAt = 0;
    bool m_shellRestarted = false;
    bool m_rebase = false;
    bool m_restoreNow = false;
    bool m_undo = false;
    // The trigger that the running look (Step::Trigger) is the first look of.
    ULONGLONG m_lookTriggeredAt = 0;
    bool m_lookShellRestarted = false;
};
