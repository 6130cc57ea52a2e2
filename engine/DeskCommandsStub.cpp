// Stand-in until the desktop access and restore engine land; replaced by them.
#include "engine/DeskCommands.h"
#include "layout/Capture.h"

void SaveDesktopCommand(CDeskContext&) {}
int RestoreDesktopCommand(CDeskContext&) { return 0; }
void HighlightUnmatchedCommand(CDeskContext&) {}
HWND FindDesktopListView() { return nullptr; }
void ProbeDesktopView(CDeskContext&) {}
int RestoreLayoutInShell(CDeskContext&, HWND, const wchar_t*, int) { return 0; }
std::unique_ptr<CLayoutCapture> MakeListViewCapture(CDeskContext&, HWND) { return nullptr; }
