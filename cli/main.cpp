#include <windows.h>
#include "cli/CliMain.h"
#include "layout/ExitGuard.h"
#include "layout/SystemLibrary.h"

namespace {

// Ctrl+C, Ctrl+Break, a closed console window, signing out: the system ends
// the process once the handlers return (the last, its default one, calls
// ExitProcess). A commit into the layout store or the replacement of a layout
// file that is under way runs to its end first; nothing else that this tool
// does leaves a stored layout half changed.
BOOL WINAPI OnConsoleControl(DWORD)
{
    BlockChangesForExit();
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    RestrictDllSearchToSystem();
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    CCliContext context;
    return RunOstrelCli(context, argc, argv);
}
