#pragma once
#include <windows.h>
#include <optional>
#include "layout/ExitGuard.h"
#include "layout/LayoutFlavor.h"
#include "layout/Owners.h"
#include "layout/WideString.h"

// How long a program waits for another one's work on the layout store. A
// commit or a read holds the lock for well under a second; only a program
// that hangs while it holds the lock makes a wait run out.
constexpr DWORD kStoreLockTimeoutMs = 10000;

// The layout store's key path, HKEY_CURRENT_USER "Software\Quenlo\Tovak", from
// the flavor's string table; absent when the table lacks it.
CWideString LayoutStorePath(const CLayoutFlavor& flavor);

// The lock around every read and change of the layout store, its settings and
// every key that a CStagedKey commits (the undo layouts too): one mutex in the
// session's namespace, shared by the shell extension, the command-line tool
// and the watcher. Once held, it first runs the recovery (RecoverStagedKeys):
// a commit that a process left half done when it died is finished, and what
// dead processes staged is removed. So every holder reads and changes
// complete layouts only.
//
//     CStoreLock lock(flavor);
//     if (!lock.Held())
//         ... report that the store is busy: nothing was read or written
//     ... read, or CStagedKey::Commit(lock), or delete
//
// Take it for short stretches only, never around a capture of the desktop,
// and never twice in one thread.
class CStoreLock
{
public:
    explicit CStoreLock(const CLayoutFlavor& flavor, DWORD timeoutMs = kStoreLockTimeoutMs);
    ~CStoreLock();
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

    // False when the wait ran out (or the mutex could not be made).
    bool Held() const { return m_held; }
    const CWideString& StorePath() const { return m_storePath; }

private:
    CWideString m_storePath;
    CHandle m_mutex;
    bool m_held = false;
    // While the lock is held, the process's own ending waits (Ctrl+C).
    std::optional<CExitGuard> m_exitGuard;
};
