#pragma once
#include <windows.h>

// A stretch in which this process changes what it has stored: a commit into
// the layout store, the replacement of a layout file. A console control
// handler (Ctrl+C, a closed console, signing out) calls BlockChangesForExit
// before the process ends: it waits until every such stretch has ended and
// lets no new one begin, so that the ending never cuts one in two.
class CExitGuard
{
public:
    CExitGuard();
    ~CExitGuard();
    CExitGuard(const CExitGuard&) = delete;
    CExitGuard& operator=(const CExitGuard&) = delete;
};

// Never returns while a CExitGuard lives; blocks every later one for good.
void BlockChangesForExit();
