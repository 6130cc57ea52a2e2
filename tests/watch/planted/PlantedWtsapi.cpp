// A wtsapi32.dll planted beside a program: leaves "<its path>.loaded" when loaded.
#include <windows.h>
#include <wchar.h>
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    wchar_t path[MAX_PATH + 8] = {};
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(instance, path, MAX_PATH) && !wcscat_s(path, L".loaded"))
        CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
