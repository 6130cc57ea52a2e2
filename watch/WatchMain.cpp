#include "watch/WatchMain.h"
#include <objbase.h>
#include <cwchar>
#include <cwctype>
#include <cstdlib>
#include "layout/ExitGuard.h"
#include "watch/WatchInstance.h"
#include "watch/Watcher.h"

int RunOstrelWatch(CWatchContext& context, HINSTANCE instance, int argc, wchar_t** argv)
{
    if (argc == 2 && (_wcsicmp(argv[1], L"/exit") == 0 || _wcsicmp(argv[1], L"-exit") == 0))
        return EndRunningWatcher(30000) ? 0 : 1;
    // "/look <seconds>": the interval of the looks for snapshots.
    wchar_t* end = nullptr;
    const bool look = argc == 3 && (_wcsicmp(argv[1], L"/look") == 0 || _wcsicmp(argv[1], L"-look") == 0);
    const unsigned long seconds = look ? wcstoul(argv[2], &end, 10) : 0;
    if ((argc != 1 && !look) || (look && (end == argv[2] || *end != L'\0' || seconds < 1 || seconds > 86400))) {
        MessageBoxW(nullptr, L"Usage: OstrelWatch.exe [/exit | /look <seconds>]", L"Ostrel",
                    MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    if (look)
        context.lookInterval = seconds * 1000ULL;

    const CWatchInstance single;
    if (!single.First())
        return 0;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    int status = 1;
    {
        CWatcher watcher(context);
        if (watcher.Start(instance)) {
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            context.log.Write(L"Ended");
            status = 0;
        }
    }
    // A job still running on the shell worker (one abandoned, or one the
    // exit came in the middle of) ends with the process, never in the middle
    // of a commit into the store.
    BlockChangesForExit();
    CoUninitialize();
    return status;
}
