#pragma once
#include <windows.h>
#include <shobjidl.h>
#include "layout/Owners.h"
#include "deskshell/DeskContext.h"

// The shell's objects for the desktop as the shell extension reaches them:
// the desktop folder always, the shell view and its folder view through the
// site the shell gave the handler. Opening them refreshes the icon size and
// the common-controls probes of the context.
class CDeskViewObjects
{
public:
    // E_FAIL without a desktop folder; 1 when the site yields no shell view
    // (only the desktop folder is there, the probes keep their values);
    // 0 when the shell view was reached.
    HRESULT Open(CDeskContext& context);
    void Release();

    IShellFolder* Folder() const { return m_folder.Get(); }
    IShellView* ShellView() const { return m_shellView.Get(); }
    IFolderView* FolderView() const { return m_folderView.Get(); }
    // The same view's folder flags (auto-arrange, align to grid).
    IFolderView2* FolderView2() const { return m_folderView2.Get(); }

private:
    CComRef<IShellFolder> m_folder;
    CComRef<IShellView> m_shellView;
    CComRef<IFolderView> m_folderView;
    CComRef<IFolderView2> m_folderView2;
};
