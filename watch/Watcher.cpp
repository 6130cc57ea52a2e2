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

class CBusy
{
public:
    explicit CBusy(bool& busy) : m_busy(busy) { m_busy = true; }
    ~CBusy() { m_busy = false; }
    CBusy(const CBusy&) = delete;
    CBusy& operator=(const CBusy&) = delete;

private:
    bool& m_busy;
};

} // namespace

bool CWatcher::Start(HINSTANCE instance)
{
    if (!m_window.Create(instance, *this))
        return false;
    m_context.viewFlags = HasViewFlagsSupport(ProbeCommonControlsVersion(nullptr));
    m_autoRestore = ReadAutoRestore(m_context.flavor);
    const CDesktopState now = LookAtDesktop(m_context);
    m_settle.Settled(now);
    Tell(std::wstring(m_autoRestore ? L"Watching" : L"Started; automatic restore is off") + L"; on screen: " +
         now.layoutName);
    return true;
}

void CWatcher::Tell(const std::wstring& action)
{
    m_context.log.Write(action);
    m_window.SetTip((L"Ostrel: " + action).c_str());
}

void CWatcher::Schedule()
{
    if (m_triggered || m_rebase || m_restoreNow || m_undo)
        m_window.StartTimer(USER_TIMER_MINIMUM);
    else if (m_settle.Pending())
        m_window.StartTimer(m_settle.NextLookIn());
    else
        m_window.StopTimer();
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

void CWatcher::OnTimer()
{
    if (m_busy)
        return;
    CBusy busy(m_busy);
    if (m_restoreNow) {
        m_restoreNow = false;
        m_context.log.Write(L"Restore Now");
        Tell(DescribeRestore(RestoreOnScreenLayout(m_context)));
    }
    if (m_undo) {
        m_undo = false;
        m_context.log.Write(L"Undo Last Restore");
        const CWatchRestore undone = UndoOnScreenRestore(m_context);
        Tell(DescribeRestore(undone));
        // The user chose these places: a look still due after an automatic
        // restore must not put that restore back.
        m_rebase = m_rebase || undone.outcome == CWatchRestore::Restored;
    }
    if (!m_rebase && !m_triggered && !m_settle.Pending()) {
        Schedule();
        return;
    }
    const CDesktopState now = LookAtDesktop(m_context);
    if (m_rebase) {
        // Paused, turned off or on again: what is on screen now is settled.
        m_rebase = false;
        m_triggered = false;
        m_shellRestarted = false;
        m_settle.Settled(now);
        Schedule();
        return;
    }
    if (m_triggered) {
        m_settle.Trigger(m_triggeredAt, m_shellRestarted, now);
        m_triggered = false;
        m_shellRestarted = false;
        Schedule();
        return;
    }
    const bool checking = m_settle.Checking();
    switch (m_settle.Look(now)) {
    case SettleStep::Wait:
        break;
    case SettleStep::Unchanged:
        Tell(L"Back to " + now.layoutName + L" with every icon in place: nothing moved");
        break;
    case SettleStep::Restore:
        if (checking) {
            m_context.log.Write(L"The shell moved icons again: restoring once more");
        } else {
            wchar_t text[64];
            swprintf(text, 64, L"Settled after %.1f s: restoring", m_settle.SettledAfter() / 1000.0);
            m_context.log.Write(text);
        }
        Restore();
        break;
    case SettleStep::Done:
        if (checking)
            m_context.log.Write(L"Every icon stayed in place");
        break;
    }
    Schedule();
}

void CWatcher::Restore()
{
    const CWatchRestore restore = RestoreOnScreenLayout(m_context);
    Tell(DescribeRestore(restore));
    if (restore.outcome == CWatchRestore::Restored)
        m_settle.Restored(LookAtDesktop(m_context));
    else
        m_settle.Stop();
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
