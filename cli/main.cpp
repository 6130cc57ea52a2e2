#include "cli/CliMain.h"

int wmain(int argc, wchar_t** argv)
{
    return RunOstrelCli(argc, argv);
}
