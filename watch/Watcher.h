#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "watch/EarlierArrangements.h"
#include "watch/Settle.h"
#include "watch/ShellWorker.h"
#include "watch/SnapshotLooks.h"
#include "watch/WatchContext.h"
#include "watch/WatchWindow.h"

// The watcher: hears the triggers through its window and restores the layout
// of the display configuration on screen once the desktop has settled
// (CSettle). Every call into the shell's process runs on its shell worker,
// one at a time, within kShellTimeLimit; the window thread only hands the
// jobs over, takes their results and decides. While nothing is pending and
// "Auto Snapshot" is on, it looks every interval and keeps the user's
// arrangement as an `arranged` snapshot (CSnapshotLooks); its timer runs
// only for those looks, while a change is pending or while a job runs.
class CWatcher : public CWatchHandler
{
public:
    static constexpr ULONGLONG kShellTimeLimit = 10000;

    explicit CWatcher(CWatchContext& context)
        : m_context(context), m_settle(*context.clock), m_looks(*context.clock), m_worker(context.flavor)
    {
    }
    bool Start(HINSTANCE instance);

    void OnTrigger(WatchTrigger trigger) override;
    void OnTimer() override;
    void OnSettingsChanged() override;
    void OnCommand(UINT command) override;
    void OnShellJobDone(WPARAM serial) override;
    bool Paused() const override { return m_paused; }
    void OnSessionActive(bool active) override;
    void OnLeaving() override;
    std::vector<std::wstring> EarlierArrangements() override;

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
        IdleLook,         // a look for the snapshots
        LeavingLook,      // the look before suspend, lock, the end of the session
        Keep,             // writing the arrangement as a snapshot
        RestorePicked,    // an earlier arrangement that the user picked
    };

    bool Watching() const { return !m_paused && m_autoRestore; }
    void Run(Step step);
    // Every look tells what is on screen.
    void Saw(const CShellJobResult& result);
    void Looked(const CDesktopState& now);
    void LookedForSnapshot(const CDesktopState& now, LookStep step);
    void Kept(const CShellJobResult& result);
    // The watcher moved icons, or took the screen as settled.
    void SettledOn(const CDesktopState& now);
    void UpdateLooks();
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
    CSnapshotLooks m_looks;
    CShellWorker m_worker;
    Step m_step = Step::Start;
    ULONGLONG m_jobDeadline = 0;
    bool m_paused = false;
    bool m_autoRestore = true;
    bool m_autoSnapshot = true;
    // The newest look's setup (the menu's earlier arrangements) and the
    // shell window it saw ("TaskbarCreated" from the same one is no restart).
    CDisplaySetup m_onScreen;
    HWND m_shellWindow = nullptr;
    DWORD m_shellProcess = 0;
    // The look being kept (Step::Keep).
    CDesktopState m_keeping;
    // The menu's earlier arrangements as it last opened, and the one picked.
    std::vector<CEarlierArrangement> m_earlier;
    SnapshotEntry m_picked;
    bool m_pick = false;
    // A look before leaving is asked for; the session stops being active
    // once it ran.
    bool m_leaving = false;
    bool m_inactiveAfterLook = false;
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
