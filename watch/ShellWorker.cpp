#include "watch/ShellWorker.h"
#include <objbase.h>
#include "watch/DesktopLook.h"
#include "watch/KeepArrangement.h"

// Shared by the owner and the thread, which outlives the owner when it is
// abandoned; every field after lock is guarded by it.
struct CShellWorker::CShared
{
    CLayoutFlavor flavor;
    HWND window;
    UINT message;
    bool viewFlags;
    CHandle wake; // auto-reset: a job or the end was asked for
    SRWLOCK lock = SRWLOCK_INIT;
    bool quit = false;
    bool pending = false;
    CShellJob job;
    UINT serial = 0;
    bool done = false;
    UINT doneSerial = 0;
    CShellJobResult result;
};

namespace {

class CLocked
{
public:
    explicit CLocked(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~CLocked() { ReleaseSRWLockExclusive(&m_lock); }
    CLocked(const CLocked&) = delete;
    CLocked& operator=(const CLocked&) = delete;

private:
    SRWLOCK& m_lock;
};

// An apartment-threaded thread owns windows (COM's own among them), so it
// keeps taking its messages while it waits for work, as a thread with
// windows must: a sender that waits on it would otherwise hang too.
void WaitDispatching(HANDLE event)
{
    while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

CShellJobResult RunJob(CShellCallState& state, const CShellJob& job)
{
    CShellJobResult result;
    switch (job.job) {
    case ShellJob::Look:
        result.look = LookAtDesktop(state, &result.setup);
        break;
    case ShellJob::Restore:
    case ShellJob::RestoreAgain:
        result.restore = RestoreOnScreenLayout(state, job.job == ShellJob::Restore, job.withSnapshots);
        break;
    case ShellJob::Undo:
        result.restore = UndoOnScreenRestore(state);
        break;
    case ShellJob::Keep:
        result.kept = KeepArrangement(state, job.setup, &result.keptPath);
        break;
    case ShellJob::RestorePicked:
        result.restore = RestoreSnapshot(state, job.entry);
        break;
    }
    return result;
}

} // namespace

CShellWorker::~CShellWorker()
{
    if (!m_shared)
        return;
    if (m_busy) {
        Abandon();
        return;
    }
    {
        const CLocked locked(m_shared->lock);
        m_shared->quit = true;
    }
    SetEvent(m_shared->wake.Get());
    WaitForSingleObject(m_thread.Get(), 2000);
}

void CShellWorker::Attach(HWND window, UINT message, bool viewFlags)
{
    m_window = window;
    m_message = message;
    m_viewFlags = viewFlags;
}

bool CShellWorker::StartThread()
{
    auto shared = std::make_shared<CShared>();
    shared->flavor = m_flavor;
    shared->window = m_window;
    shared->message = m_message;
    shared->viewFlags = m_viewFlags;
    shared->wake.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!shared->wake)
        return false;
    auto* parameter = new std::shared_ptr<CShared>(shared);
    m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, parameter, 0, nullptr));
    if (!m_thread) {
        delete parameter;
        return false;
    }
    m_shared = std::move(shared);
    return true;
}

bool CShellWorker::Run(const CShellJob& job)
{
    if (m_busy || (!m_shared && !StartThread()))
        return false;
    {
        const CLocked locked(m_shared->lock);
        m_shared->pending = true;
        m_shared->job = job;
        m_shared->serial = ++m_serial;
        m_shared->done = false;
    }
    SetEvent(m_shared->wake.Get());
    m_busy = true;
    return true;
}

bool CShellWorker::TakeResult(WPARAM serial, CShellJobResult& result)
{
    if (!m_shared)
        return false;
    {
        const CLocked locked(m_shared->lock);
        if (!m_shared->done || m_shared->doneSerial != serial)
            return false;
        m_shared->done = false;
        result = std::move(m_shared->result);
    }
    m_busy = false;
    return true;
}

void CShellWorker::Abandon()
{
    if (!m_shared)
        return;
    {
        const CLocked locked(m_shared->lock);
        m_shared->quit = true;
    }
    SetEvent(m_shared->wake.Get());
    m_thread.Reset();
    m_shared.reset();
    m_busy = false;
}

DWORD WINAPI CShellWorker::ThreadMain(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<CShared>> owned(static_cast<std::shared_ptr<CShared>*>(parameter));
    CShared& shared = **owned;
    // A job that cannot run is never answered: the owner's time limit
    // abandons it.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    {
        CShellCallState state(shared.flavor, shared.viewFlags);
        for (;;) {
            WaitDispatching(shared.wake.Get());
            CShellJob job;
            UINT serial = 0;
            {
                const CLocked locked(shared.lock);
                if (shared.quit)
                    break;
                if (!shared.pending)
                    continue;
                shared.pending = false;
                job = shared.job;
                serial = shared.serial;
            }
            CShellJobResult result = RunJob(state, job);
            {
                const CLocked locked(shared.lock);
                if (shared.quit)
                    break;
                shared.result = std::move(result);
                shared.doneSerial = serial;
                shared.done = true;
            }
            PostMessageW(shared.window, shared.message, serial, 0);
        }
    }
    CoUninitialize();
    return 0;
}
