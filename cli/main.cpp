#include <windows.h>
#include <cstdio>

int wmain(int, wchar_t**)
{
    fwprintf(stdout, L"OstrelCli\n");
    return 0;
}
