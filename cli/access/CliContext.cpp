#include "cli/access/CliContext.h"
#include "cli/ConsoleInput.h"
#include "cli/access/ConsoleOut.h"
#include "cli/resource.h"
#include "engine/ComCtlVersion.h"

CLayoutFlavor CliFlavor(HINSTANCE resources)
{
    return { resources, false, IDS_STORE_KEY, IDS_LAYOUT_SINGLE, IDS_MULTI_MONITOR, IDS_ICON_SIZE, L"Error: Empty!",
             KEY_READ | KEY_CREATE_SUB_KEY, L";\n; OstrelCli Version: %s -- UNICODE Layout File.\n;\n\n" };
}

void CCliSystem::Write(OutStream stream, const std::wstring& text)
{
    WriteStdStream(stream, text.c_str());
}

int CCliSystem::ReadKey()
{
    return ReadStdinKey();
}

void CCliSystem::Beep()
{
    MessageBeep(0xFFFFFFFF);
}

DWORD CCliSystem::CommonControlsVersion()
{
    return ProbeCommonControlsVersion(nullptr);
}

CCliSystem& RealCliSystem()
{
    static CCliSystem s_system;
    return s_system;
}

void ProbeCliCommonControls(CCliContext& context)
{
    context.ccVersion = context.system->CommonControlsVersion();
    context.ccFlag = HasViewFlagsSupport(context.ccVersion);
}
