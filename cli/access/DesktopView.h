#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <memory>
#include "layout/Capture.h"

// The shell's view of the desktop as the command-line tool reaches it from its
// own process: the desktop folder view and the desktop folder.
class CDesktopViewPair
{
public:
    CDesktopViewPair() = default;
    ~CDesktopViewPair() { Release(); }
    CDesktopViewPair(const CDesktopViewPair&) = delete;
    CDesktopViewPair& operator=(const CDesktopViewPair&) = delete;

    // Opens both; on failure writes "Could not get IShellFolder or
    // IFolderView2.\n" to standard error and returns false.
    bool Open();
    void Release();
    IFolderView2* View() const { return m_view; }
    IShellFolder* Folder() const { return m_folder; }

private:
    IFolderView2* m_view = nullptr;
    IShellFolder* m_folder = nullptr;
};

// Updates the process-wide icon size from the view; with a null view, opens
// one for the probe alone.
void ProbeIconSize(IFolderView2* view);

// The capture of the desktop through the view pair, for the writers.
std::unique_ptr<CLayoutCapture> MakeShellViewCapture(CDesktopViewPair& pair);

// The command-line restore engine: fromStore reads the store (source = layout
// name), otherwise a layout file (source = path). Prints its own messages.
bool RestoreFromCli(const wchar_t* source, bool fromStore);
