#pragma once
#include <windows.h>
#include <memory>
#include "layout/Owners.h"
#include "layout/DisplaySetup.h"
#include "layout/SnapshotStore.h"
#include "watch/Settle.h"
#include "watch/WatchRestore.h"

// What the watcher asks of the shell's process.
enum class ShellJob
{
    Look,          // LookAtDesktop
    Restore,       // RestoreOnScreenLayout, keeping what it replaces for undo
    RestoreAgain,  // the same, keeping nothing: the first restore of the change kept it
    Undo,          // UndoOnScreenRestore
    Keep,          // KeepArrangement
    RestorePicked, // RestoreSnapshot of an earlier arrangement
};

struct CShellJob
{
    ShellJob job = ShellJob::Look;
    bool withSnapshots = false; // of the restores: "Auto Snapshot" is on
    std::wstring setup;         // of Keep: the setup it keeps for
    SnapshotEntry entry;        // of RestorePicked
};

struct CShellJobResult
{
    CDesktopState look;    // of a look
    CDisplaySetup setup;   // of a look: the setup on screen
    CWatchRestore restore; // of the restores
    FileSaveResult kept = FileSaveResult::Failed; // of Keep
    std::wstring keptPath;
};

// The thread on which the watcher calls into the shell's process, so that a
// shell whose desktop thread hangs never stops the watcher's window: COM is
// initialised there, it runs one job at a time with nothing of the window
// thread's, and posts the window's message (wParam: the job's serial) when a
// job ended. A job that does not end is abandoned: its thread is left to
// itself (it ends when its call returns, or with the process) and the next
// job gets a fresh thread.
class CShellWorker
{
public:
    explicit CShellWorker(const CLayoutFlavor& flavor) : m_flavor(flavor) {}
    // An idle thread is ended; a busy one is abandoned.
    ~CShellWorker();
    CShellWorker(const CShellWorker&) = delete;
    CShellWorker& operator=(const CShellWorker&) = delete;

    // Where ended jobs are told, and the restores' view flags.
    void Attach(HWND window, UINT message, bool viewFlags);
    // False while a job runs, or when no thread could be started.
    bool Run(const CShellJob& job);
    bool Busy() const { return m_busy; }
    // The result of the job whose message carried serial; false when that
    // job was abandoned.
    bool TakeResult(WPARAM serial, CShellJobResult& result);
    void Abandon();

private:
    struct CShared;
    bool StartThread();
    static DWORD WINAPI ThreadMain(void* parameter);

    const CLayoutFlavor m_flavor;
    HWND m_window = nullptr;
    UINT m_message = 0;
    bool m_viewFlags = false;
    std::shared_ptr<CShared> m_shared;
    CHandle m_thread;
    bool m_busy = false;
    UINT m_serial = 0;
};
