#include "layout/ExitGuard.h"

namespace {

// Shared by the stretches, taken exclusively by the ending process.
SRWLOCK s_changes = SRWLOCK_INIT;

} // namespace

CExitGuard::CExitGuard()
{
    AcquireSRWLockShared(&s_changes);
}

CExitGuard::~CExitGuard()
{
    ReleaseSRWLockShared(&s_changes);
}

void BlockChangesForExit()
{
    AcquireSRWLockExclusive(&s_changes);
}
