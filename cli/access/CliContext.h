#pragma once
#include <windows.h>
#include <string>
#include "layout/DisplayConfig.h"
#include "shellview/StoreFlavor.h"

enum class OutStream { Out, Err };

// What the command-line tool asks of the system where tests answer instead:
// the console (output, one key press, the beep) and the common-controls
// version. RealCliSystem() is the system itself.
class CCliSystem
{
public:
    virtual ~CCliSystem() = default;
    // Standard output or standard error (see WriteStdStream).
    virtual void Write(OutStream stream, const std::wstring& text);
    // One key press from standard input (see ReadStdinKey).
    virtual int ReadKey();
    virtual void Beep();
    virtual DWORD CommonControlsVersion();
};
CCliSystem& RealCliSystem();

// The state of one run of the command-line tool, handed to every step of it.
struct CCliContext
{
    CLayoutFlavor flavor = CliFlavor(GetModuleHandleW(nullptr));
    CDisplayConfig display;  // captured afresh by each flow; holds the icon size
    DWORD ccVersion = 0;     // common-controls version, major << 16 | minor
    bool ccFlag = false;     // version is 5.82 or later
    CCliSystem* system = &RealCliSystem();
};

// Sets the run's common-controls version and flag.
void ProbeCliCommonControls(CCliContext& context);
