#pragma once
#include <windows.h>
#include "watch/WatchContext.h"

// The whole run of the watcher: "/exit" ends the running watcher of the
// session; no argument starts the watcher unless one runs already (then it
// exits at once). Returns the exit status.
int RunOstrelWatch(CWatchContext& context, HINSTANCE instance, int argc, wchar_t** argv);
