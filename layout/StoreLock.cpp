#include "layout/StoreLock.h"
#include "layout/ResText.h"
#include "layout/StagedKey.h"

namespace {

// "Local\": the session's namespace, where every program of this user's
// desktop finds the same mutex.
constexpr const wchar_t* kMutexName = L"Local\\Ostrel.LayoutStore";

} // namespace

CWideString LayoutStorePath(const CLayoutFlavor& flavor)
{
    return CWideString(LoadResText(flavor.resources, flavor.idsStoreKey));
}

CStoreLock::CStoreLock(const CLayoutFlavor& flavor, DWORD timeoutMs)
    : m_storePath(LayoutStorePath(flavor)), m_mutex(CreateMutexW(nullptr, FALSE, kMutexName))
{
    if (!m_mutex)
        return;
    const DWORD wait = WaitForSingleObject(m_mutex.Get(), timeoutMs);
    // WAIT_ABANDONED: the previous owner ended while it held the lock, maybe
    // half way through a commit. The lock is ours all the same, and the
    // recovery below finishes what that owner left.
    m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (!m_held)
        return;
    m_exitGuard.emplace();
    if (!m_storePath.IsAbsent())
        RecoverStagedKeys(m_storePath.c_str());
}

CStoreLock::~CStoreLock()
{
    m_exitGuard.reset();
    if (m_held)
        ReleaseMutex(m_mutex.Get());
}
