// Stand-in until the shell view access and restore engine land; replaced by them.
#include "cli/access/DesktopView.h"

bool CDesktopViewPair::Open() { return false; }
void CDesktopViewPair::Release() {}
void ProbeIconSize(IFolderView2*) {}
std::unique_ptr<CLayoutCapture> MakeShellViewCapture(CDesktopViewPair&) { return nullptr; }
bool RestoreFromCli(const wchar_t*, bool) { return false; }
