#include "cli/access/CliContext.h"
#include "cli/ConsoleInput.h"
#include "cli/access/ConsoleOut.h"
#include "engine/ComCtlVersion.h"

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
