#include "engine/ComCtlVersion.h"
#include <shlwapi.h>
#include "engine/ModuleActCtx.h"
#include "layout/Owners.h"

DWORD ProbeCommonControlsVersion(HMODULE manifestModule)
{
    CModuleActCtxScope scope(manifestModule);
    CModule comctl(L"ComCtl32.dll");
    if (!comctl.Get())
        return 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(comctl.Get(), "DllGetVersion")));
    if (!getVersion)
        return 0;
    DLLVERSIONINFO2 info = {};
    info.info1.cbSize = sizeof(info);
    if (FAILED(getVersion(&info.info1)))
        return 0;
    return (info.info1.dwMajorVersion & 0xFFFF) << 16 | (info.info1.dwMinorVersion & 0xFFFF);
}
