#include "watch/Watcher.h"
#include <shellapi.h>
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
    case WatchTrigger::Resume: return L"the computer woke up";
    }
    return L"";
}

} // namespace

bool CWatcher::Start(HINSTANCE instance)
{
    if (!m_window.Create(instance, *this))
        return false;
    m_context.log.Write(L"Started");
    return true;
}

void CWatcher::Tell(const std::wstring& action)
{
    m_context.log.Write(action);
    m_window.SetTip((L"Ostrel: " + action).c_str());
}

void CWatcher::OnTrigger(WatchTrigger trigger)
{
    const std::wstring text = std::wstring(L"Trigger: ") + TriggerText(trigger);
    m_context.log.Write(m_paused ? text + L" (paused: ignored)" : text);
}

void CWatcher::OnTimer()
{
    m_window.StopTimer();
}

void CWatcher::OnSettingsChanged()
{
    m_context.log.Write(L"The settings changed");
}

void CWatcher::OnCommand(UINT command)
{
    switch (command) {
    case IDM_RESTORE_NOW:
        m_context.log.Write(L"Restore Now");
        break;
    case IDM_PAUSE:
        m_paused = !m_paused;
        Tell(m_paused ? L"Automatic restore paused" : L"Automatic restore resumed");
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
