#include "watch/WatchInstance.h"
#include "layout/WatchNames.h"

CWatchInstance::CWatchInstance()
{
    m_mutex.Reset(CreateMutexW(nullptr, TRUE, kWatchInstanceMutex));
    // Without the mutex a second start cannot be told apart: this one goes.
    m_first = m_mutex && GetLastError() != ERROR_ALREADY_EXISTS;
}

bool EndRunningWatcher(DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (HWND window = FindWindowW(kWatchWindowClass, nullptr)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        CHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        PostMessageW(window, WM_CLOSE, 0, 0);
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        if (process) {
            if (WaitForSingleObject(process.Get(), static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0)
                return false;
        } else {
            // A process that cannot be opened: watch its window go instead.
            while (IsWindow(window) && GetTickCount64() < deadline)
                Sleep(50);
            if (IsWindow(window))
                return false;
        }
    }
    return true;
}
