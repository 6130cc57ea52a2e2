#pragma once
#include <windows.h>
#include "layout/Owners.h"

// The one watcher of the user's session: it holds kWatchInstanceMutex, whose
// name lives in the session's namespace.
class CWatchInstance
{
public:
    CWatchInstance();
    // False when another watcher of the session holds the mutex.
    bool First() const { return m_first; }

private:
    CHandle m_mutex;
    bool m_first = false;
};

// OstrelWatch.exe /exit: asks the running watcher of this session to end
// (WM_CLOSE to its window) and waits up to timeoutMs for it to go, which it
// does at once, whatever its calls into the shell do. True when none runs
// any more.
bool EndRunningWatcher(DWORD timeoutMs);
