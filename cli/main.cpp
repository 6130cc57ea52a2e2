#include "cli/CliMain.h"

int wmain(int argc, wchar_t** argv)
{
    CCliContext context;
    return RunOstrelCli(context, argc, argv);
}
