#include <windows.h>
#include <objbase.h>
#include "shellext/ActCtx.h"
#include "shellext/Module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ShellModule().Init(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // At process exit other modules may be gone already: touch nothing.
        if (!reserved) {
            ShellModule().Term();
            ReleaseModuleActCtx();
        }
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** result)
{
    return ShellModule().GetClassObject(clsid, riid, result);
}

STDAPI DllCanUnloadNow()
{
    return ShellModule().CanUnloadNow();
}

STDAPI DllRegisterServer()
{
    return ShellModule().RegisterServer();
}

STDAPI DllUnregisterServer()
{
    return ShellModule().UnregisterServer();
}
