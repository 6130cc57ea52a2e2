#include "watch/Watcher.h"
#include <shellapi.h>
#include <cwchar>
#include "engine/ComCtlVersion.h"
#include "layout/CurrentLayout.h"
#include "watch/DesktopLook.h"
#include "watch/WatchRestore.h"
#include "watch/resource.h"

namespace {

const wchar_t* TriggerText(WatchTrigger trigger)
{
    switch (trigger) {
    case WatchTrigger::DisplayChange: return L"the display changed";
    case WatchTrigger::WorkArea: return L"the work area changed";
    case WatchTrigger::Dpi: return L"the display scale changed";
    case WatchTrigger::ShellRestart: return L"the shell started again";
    case WatchTrigger::Session: return L"the session was connected or unlocked";
    case WatchTrigger::Resume: return L"the computer resumed";
    }
    return L"";
}

} // namespace

bool CWatcher::Start(HINSTANCE instance)
{
    if (!m_window.Create(instance, *this))
        return false;
    m_context.viewFlags = HasViewFlagsSupport(ProbeCommonControlsVersion(nullptr));
    m_autoRestore = ReadAutoRestore(m_context.flavor);
    m_worker.Attach(m_window.Handle(), kShellJobDoneMessage, m_context.viewFlags);
    Run(Step::Start);
    return true;
}

void CWatcher::Started(const CDesktopState& now)
{
    m_settle.Settled(now);
    Tell(std::wstring(m_autoRestore ? L"Watching" : L"Started; automatic restore is off") + L"; on screen: " +
         (now.layoutName.empty() ? L"not known" : now.layoutName));
}

void CWatcher::Tell(const std::wstring& action)
{
    m_context.log.Write(action);
    m_window.SetTip((L"Ostrel: " + action).c_str());
}

void CWatcher::Schedule()
{
    if (m_worker.Busy()) {
        // Woken at the job's time limit, unless its result comes first.
        const ULONGLONG now = m_context.clock->Now();
        m_window.StartTimer(now >= m_jobDeadline ? USER_TIMER_MINIMUM : static_cast<UINT>(m_jobDeadline - now));
    } else if (m_triggered || m_rebase || m_restoreNow || m_undo) {
        m_window.StartTimer(USER_TIMER_MINIMUM);
    } else if (m_settle.Pending()) {
        m_window.StartTimer(m_settle.NextLookIn());
    } else {
        m_window.StopTimer();
    }
}

void CWatcher::OnTrigger(WatchTrigger trigger)
{
    const std::wstring text = std::wstring(L"Trigger: ") + TriggerText(trigger);
    if (m_paused) {
        m_context.log.Write(text + L" (paused: ignored)");
        return;
    }
    m_autoRestore = ReadAutoRestore(m_context.flavor);
    if (!m_autoRestore) {
        // Turned off while a change was pending: that one goes too.
        m_context.log.Write(text + L" (automatic restore is off: ignored)");
        m_settle.Stop();
        m_triggered = false;
        Schedule();
        return;
    }
    m_context.log.Write(text);
    m_triggeredAt = m_context.clock->Now();
    m_triggered = true;
    m_shellRestarted = m_shellRestarted || trigger == WatchTrigger::ShellRestart;
    Schedule();
}

void CWatcher::Run(Step step)
{
    ShellJob job = ShellJob::Look;
    switch (step) {
    case Step::RestoreNow:
    case Step::Restore:
        job = ShellJob::Restore;
        break;
    case Step::RestoreAgain:
        job = ShellJob::RestoreAgain;
        break;
    case Step::Undo:
        job = ShellJob::Undo;
        break;
    default:
        break;
    }
    m_step = step;
    if (!m_worker.Run(job)) {
        Tell(L"The desktop could not be reached: no thread to reach it on");
        m_settle.Stop();
        if (step == Step::Start)
            Started(CDesktopState());
        Schedule();
        return;
    }
    m_jobDeadline = m_context.clock->Now() + kShellTimeLimit;
    Schedule();
}

void CWatcher::OnTimer()
{
    if (m_worker.Busy()) {
        if (m_context.clock->Now() >= m_jobDeadline)
            Abandon();
        Schedule();
        return;
    }
    if (m_restoreNow) {
        m_restoreNow = false;
        m_context.log.Write(L"Restore Now");
        Run(Step::RestoreNow);
        return;
    }
    if (m_undo) {
        m_undo = false;
        m_context.log.Write(L"Undo Last Restore");
        Run(Step::Undo);
        return;
    }
    if (m_rebase) {
        // Paused, turned off or on again: what is on screen now is settled.
        m_rebase = false;
        m_triggered = false;
        m_shellRestarted = false;
        Run(Step::Rebase);
    } else if (m_triggered) {
        m_lookTriggeredAt = m_triggeredAt;
        m_lookShellRestarted = m_shellRestarted;
        m_triggered = false;
        m_shellRestarted = false;
        Run(Step::Trigger);
    } else if (m_settle.Pending()) {
        Run(Step::Settle);
    } else {
        Schedule();
    }
}

void CWatcher::Abandon()
{
    // The call is left to itself on its thread; whatever was pending waits
    // for the next trigger.
    m_worker.Abandon();
    Tell(L"The desktop did not answer within 10 s");
    m_settle.Stop();
    if (m_step == Step::Start)
        Started(CDesktopState());
}

void CWatcher::OnShellJobDone(WPARAM serial)
{
    CShellJobResult result;
    if (!m_worker.TakeResult(serial, result))
        return;
    switch (m_step) {
    case Step::Start:
        Started(result.look);
        break;
    case Step::Rebase:
    case Step::Trigger:
    case Step::Settle:
        Looked(result.look);
        break;
    case Step::LookAfterRestore:
        m_settle.Restored(result.look);
        break;
    case Step::Undo:
        Tell(DescribeRestore(result.restore));
        // The user chose these places: a look still due after an automatic
        // restore must not put that restore back.
        m_rebase = m_rebase || result.restore.outcome == CWatchRestore::Restored;
        if (result.restore.outcome == CWatchRestore::DisplayChanged)
            OnTrigger(WatchTrigger::DisplayChange);
        break;
    case Step::RestoreNow:
        Tell(DescribeRestore(result.restore));
        if (result.restore.outcome == CWatchRestore::DisplayChanged)
            OnTrigger(WatchTrigger::DisplayChange);
        break;
    case Step::Restore:
    case Step::RestoreAgain:
        Restored(result.restore);
        return;
    }
    Schedule();
}

void CWatcher::Looked(const CDesktopState& now)
{
    if (m_step == Step::Rebase) {
        m_settle.Settled(now);
        return;
    }
    if (m_step == Step::Trigger) {
        m_settle.Trigger(m_lookTriggeredAt, m_lookShellRestarted, now);
        return;
    }
    const bool checking = m_settle.Checking();
    switch (m_settle.Look(now)) {
    case SettleStep::Wait:
        break;
    case SettleStep::Unchanged:
        Tell(L"Back to " + now.layoutName + L" with every icon in place: nothing moved");
        break;
    case SettleStep::LeftAlone:
        Tell(L"Icons moved after the restore, and the user gave input since: left the user's moves alone");
        break;
    case SettleStep::Restore:
        if (checking) {
            m_context.log.Write(L"The shell moved icons again: restoring once more");
        } else {
            wchar_t text[64];
            swprintf(text, 64, L"Settled after %.1f s: restoring", m_settle.SettledAfter() / 1000.0);
            m_context.log.Write(text);
        }
        // What one change replaces is kept once, by its first restore.
        Run(checking ? Step::RestoreAgain : Step::Restore);
        break;
    case SettleStep::Done:
        if (checking)
            m_context.log.Write(L"Every icon stayed in place");
        break;
    }
}

void CWatcher::Restored(const CWatchRestore& restore)
{
    Tell(DescribeRestore(restore));
    if (restore.outcome == CWatchRestore::Restored) {
        Run(Step::LookAfterRestore);
        return;
    }
    m_settle.Stop();
    // Nothing moved: the new configuration gets its own wait and restore.
    if (restore.outcome == CWatchRestore::DisplayChanged)
        OnTrigger(WatchTrigger::DisplayChange);
    Schedule();
}

void CWatcher::OnSettingsChanged()
{
    const bool on = ReadAutoRestore(m_context.flavor);
    if (on == m_autoRestore)
        return;
    m_autoRestore = on;
    Tell(on ? L"Automatic restore turned on" : L"Automatic restore turned off");
    m_rebase = true;
    Schedule();
}

void CWatcher::OnCommand(UINT command)
{
    switch (command) {
    case IDM_RESTORE_NOW:
        m_restoreNow = true;
        Schedule();
        break;
    case IDM_UNDO:
        m_undo = true;
        Schedule();
        break;
    case IDM_PAUSE:
        m_paused = !m_paused;
        Tell(m_paused ? L"Automatic restore paused" : L"Automatic restore resumed");
        m_rebase = true;
        Schedule();
        break;
    case IDM_OPEN_LOG:
        if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", m_context.log.Path().c_str(), nullptr,
                                                    nullptr, SW_SHOWNORMAL)) <= 32)
            Tell(L"The log could not be opened: " + m_context.log.Path());
        break;
    default:
        break;
    }
}
