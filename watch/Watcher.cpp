#include "watch/Watcher.h"
#include <shellapi.h>
#include <cwchar>
#include "engine/ComCtlVersion.h"
#include "layout/CurrentLayout.h"
#include "layout/SnapshotStore.h"
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
    case WatchTrigger::Setup: return L"a look found another display setup";
    }
    return L"";
}

CSnapshotLook ForSnapshots(const CDesktopState& look)
{
    return { look.reached, look.setup, look.positions, look.icons };
}

} // namespace

bool CWatcher::Start(HINSTANCE instance)
{
    if (!m_window.Create(instance, *this))
        return false;
    m_context.viewFlags = HasViewFlagsSupport(ProbeCommonControlsVersion(nullptr));
    m_autoRestore = ReadAutoRestore(m_context.flavor);
    m_autoSnapshot = ReadAutoSnapshot(m_context.flavor);
    m_looks.SetInterval(m_context.lookInterval);
    m_looks.SetAutoSnapshot(m_autoSnapshot);
    m_worker.Attach(m_window.Handle(), kShellJobDoneMessage, m_context.viewFlags);
    Run(Step::Start);
    return true;
}

void CWatcher::Started(const CDesktopState& now)
{
    m_settle.Settled(now);
    SettledOn(now);
    Tell(std::wstring(m_autoRestore ? L"Watching" : L"Started; automatic restore is off") + L"; on screen: " +
         (now.layoutName.empty() ? L"not known" : now.layoutName));
}

void CWatcher::Tell(const std::wstring& action)
{
    m_context.log.Write(action);
    m_window.SetTip((L"Ostrel: " + action).c_str());
}

void CWatcher::UpdateLooks()
{
    m_looks.SetPaused(!Watching());
    m_looks.SetPending(m_triggered || m_settle.Pending());
}

void CWatcher::SettledOn(const CDesktopState& now)
{
    if (now.reached)
        m_looks.Settled(now.setup);
}

void CWatcher::Schedule()
{
    UpdateLooks();
    if (m_worker.Busy()) {
        // Woken at the job's time limit, unless its result comes first.
        const ULONGLONG now = m_context.clock->Now();
        m_window.StartTimer(now >= m_jobDeadline ? USER_TIMER_MINIMUM : static_cast<UINT>(m_jobDeadline - now));
    } else if (m_triggered || m_rebase || m_restoreNow || m_undo || m_pick || m_leaving) {
        m_window.StartTimer(USER_TIMER_MINIMUM);
    } else if (m_settle.Pending()) {
        m_window.StartTimer(m_settle.NextLookIn());
    } else if (m_looks.NextLookIn() != CSnapshotLooks::kNoLook) {
        m_window.StartTimer(m_looks.NextLookIn() > USER_TIMER_MINIMUM ? m_looks.NextLookIn() : USER_TIMER_MINIMUM);
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
    // "TaskbarCreated" also comes when only the taskbar started again: the
    // desktop's view is a new one only with another shell window.
    bool shellRestarted = trigger == WatchTrigger::ShellRestart;
    if (shellRestarted && m_shellWindow) {
        DWORD process = 0;
        const HWND shell = GetShellWindow();
        if (shell)
            GetWindowThreadProcessId(shell, &process);
        shellRestarted = shell != m_shellWindow || process != m_shellProcess;
    }
    m_context.log.Write(trigger == WatchTrigger::ShellRestart && !shellRestarted
                            ? text + L" (the desktop's shell window is the one it was)"
                            : text);
    m_triggeredAt = m_context.clock->Now();
    m_triggered = true;
    m_looks.Triggered(m_triggeredAt);
    m_shellRestarted = m_shellRestarted || shellRestarted;
    Schedule();
}

void CWatcher::Run(Step step)
{
    CShellJob job;
    switch (step) {
    case Step::RestoreNow:
    case Step::Restore:
        job.job = ShellJob::Restore;
        break;
    case Step::RestoreAgain:
        job.job = ShellJob::RestoreAgain;
        break;
    case Step::Undo:
        job.job = ShellJob::Undo;
        break;
    case Step::Keep:
        job.job = ShellJob::Keep;
        job.setup = m_keeping.setup;
        break;
    case Step::RestorePicked:
        job.job = ShellJob::RestorePicked;
        job.entry = m_picked;
        break;
    default:
        break;
    }
    job.withSnapshots = m_autoSnapshot;
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
    if (m_pick) {
        m_pick = false;
        m_context.log.Write(L"Earlier arrangement: " + SnapshotTimeText(m_picked, L"Today ") + L", " +
                            SnapshotKindText(m_picked.kind));
        Run(Step::RestorePicked);
        return;
    }
    if (m_leaving) {
        m_leaving = false;
        Run(Step::LeavingLook);
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
    } else if (m_looks.NextLookIn() == 0) {
        Run(Step::IdleLook);
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
    if (m_inactiveAfterLook) {
        m_inactiveAfterLook = false;
        m_looks.SetSessionActive(false);
    }
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
        Saw(result);
        Started(result.look);
        break;
    case Step::Rebase:
    case Step::Trigger:
    case Step::Settle:
        Saw(result);
        Looked(result.look);
        break;
    case Step::LookAfterRestore:
        Saw(result);
        m_settle.Restored(result.look);
        SettledOn(result.look);
        m_looks.Restored(m_context.clock->Now());
        break;
    case Step::IdleLook:
    case Step::LeavingLook:
        Saw(result);
        LookedForSnapshot(result.look, m_step == Step::IdleLook ? m_looks.Look(ForSnapshots(result.look))
                                                                : m_looks.LookBeforeLeaving(ForSnapshots(result.look)));
        return;
    case Step::Keep:
        Kept(result);
        break;
    case Step::Undo:
    case Step::RestorePicked:
        Tell(DescribeRestore(result.restore));
        // The user chose these places: a look still due after an automatic
        // restore must not put that restore back.
        m_rebase = m_rebase || result.restore.outcome == CWatchRestore::Restored;
        if (result.restore.outcome == CWatchRestore::Restored)
            m_looks.Restored(m_context.clock->Now());
        if (result.restore.outcome == CWatchRestore::DisplayChanged)
            OnTrigger(WatchTrigger::DisplayChange);
        break;
    case Step::RestoreNow:
        Tell(DescribeRestore(result.restore));
        if (result.restore.outcome == CWatchRestore::Restored)
            m_looks.Restored(m_context.clock->Now());
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

void CWatcher::Saw(const CShellJobResult& result)
{
    if (!result.look.reached)
        return;
    m_onScreen = result.setup;
    m_shellWindow = result.look.shellWindow;
    m_shellProcess = result.look.shellProcess;
}

void CWatcher::LookedForSnapshot(const CDesktopState& now, LookStep step)
{
    if (m_inactiveAfterLook) {
        m_inactiveAfterLook = false;
        m_looks.SetSessionActive(false);
    }
    // What was on screen before the next change (no change is pending).
    if (now.reached && now.setup == m_looks.SettledSetup())
        m_settle.Seen(now);
    switch (step) {
    case LookStep::None:
        break;
    case LookStep::Trigger:
        OnTrigger(WatchTrigger::Setup);
        return;
    case LookStep::Snapshot:
        m_keeping = now;
        Run(Step::Keep);
        return;
    }
    Schedule();
}

void CWatcher::Kept(const CShellJobResult& result)
{
    switch (result.kept) {
    case FileSaveResult::Saved:
        m_looks.SnapshotWritten(m_keeping.setup, m_keeping.positions);
        m_context.log.Write(L"Kept the arrangement (" + std::to_wstring(m_keeping.icons) + L" icons): " +
                            result.keptPath);
        break;
    case FileSaveResult::Unreachable:
        // The desktop or its setup changed since the look: the next looks
        // tell.
        break;
    case FileSaveResult::Empty:
    case FileSaveResult::CannotCreate:
    case FileSaveResult::Failed:
        m_context.log.Write(L"The arrangement could not be kept: the snapshot could not be written in " +
                            CSnapshotStore().Folder(m_onScreen));
        break;
    }
}

void CWatcher::Looked(const CDesktopState& now)
{
    if (m_step == Step::Rebase) {
        m_settle.Settled(now);
        SettledOn(now);
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
        SettledOn(now);
        Tell(L"Back to " + now.layoutName + L" with every icon in place: nothing moved");
        break;
    case SettleStep::LeftAlone:
        Tell(L"Icons moved after the restore, and the user gave input since: left the user's moves alone");
        break;
    case SettleStep::Restore:
        SettledOn(now);
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
    const bool snapshots = ReadAutoSnapshot(m_context.flavor);
    if (snapshots != m_autoSnapshot) {
        m_autoSnapshot = snapshots;
        m_looks.SetAutoSnapshot(snapshots);
        // Without looks a change is judged as it was before they came.
        if (!snapshots)
            m_settle.Forget();
        Tell(snapshots ? L"Automatic snapshots turned on" : L"Automatic snapshots turned off");
    }
    const bool on = ReadAutoRestore(m_context.flavor);
    if (on != m_autoRestore) {
        m_autoRestore = on;
        Tell(on ? L"Automatic restore turned on" : L"Automatic restore turned off");
        m_rebase = true;
    }
    Schedule();
}

void CWatcher::OnSessionActive(bool active)
{
    if (!active && m_leaving) {
        m_inactiveAfterLook = true;
        return;
    }
    m_inactiveAfterLook = false;
    m_looks.SetSessionActive(active);
    Schedule();
}

void CWatcher::OnLeaving()
{
    UpdateLooks();
    if (!m_looks.MayLook())
        return;
    m_leaving = true;
    Schedule();
}

std::vector<std::wstring> CWatcher::EarlierArrangements()
{
    m_earlier = ListEarlierArrangements(m_onScreen);
    std::vector<std::wstring> labels;
    for (const CEarlierArrangement& each : m_earlier)
        labels.push_back(each.label);
    return labels;
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
    case IDM_OPEN_SNAPSHOTS: {
        // The folder of the setup on screen, or the store's when it has none.
        const CSnapshotStore store;
        std::wstring folder = store.Folder(m_onScreen);
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            folder = store.Root();
        if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr,
                                                    SW_SHOWNORMAL)) <= 32)
            Tell(L"The snapshots folder could not be opened: " + folder);
        break;
    }
    case IDM_OPEN_LOG:
        if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", m_context.log.Path().c_str(), nullptr,
                                                    nullptr, SW_SHOWNORMAL)) <= 32)
            Tell(L"The log could not be opened: " + m_context.log.Path());
        break;
    default:
        if (command >= IDM_EARLIER_FIRST && command - IDM_EARLIER_FIRST < m_earlier.size()) {
            m_picked = m_earlier[command - IDM_EARLIER_FIRST].entry;
            m_pick = true;
            Schedule();
        }
        break;
    }
}
