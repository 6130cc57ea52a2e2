#include <windows.h>
#include <shellapi.h>
#include "layout/SystemLibrary.h"
#include "watch/WatchMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystem();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    CWatchContext context;
    const int status = RunOstrelWatch(context, instance, argv ? argc : 1, argv);
    LocalFree(argv);
    return status;
}
