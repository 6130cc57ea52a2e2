#pragma once
#include <windows.h>
#include "watch/WatchContext.h"
#include "watch/WatchWindow.h"

// The watcher: hears the triggers through its window and restores the layout
// of the display configuration on screen once the desktop has settled.
class CWatcher : public CWatchHandler
{
public:
    explicit CWatcher(CWatchContext& context) : m_context(context) {}
    bool Start(HINSTANCE instance);

    void OnTrigger(WatchTrigger trigger) override;
    void OnTimer() override;
    void OnSettingsChanged() override;
    void OnCommand(UINT command) override;
    bool Paused() const override { return m_paused; }

private:
    // Logs the action and shows it over the notification icon.
    void Tell(const std::wstring& action);

    CWatchContext& m_context;
    CWatchWindow m_window;
    bool m_paused = false;
};
