#pragma once
#include <windows.h>
#include <ocidl.h>
#include <shobjidl.h>
#include "deskshell/DeskContext.h"
#include "shellext/DeskCommandTable.h"

// The desktop's entry at the top level of the Windows 11 context menu, which
// lists only handlers that come with package identity: "Ostrel", whose
// subcommands are the classic menu's commands in its order. One class serves
// the entry and each subcommand; the shell gives the entry its site, and the
// entry hands it on to the subcommands it makes. Apartment-threaded: every
// call comes on the thread that made the object, so the count is plain.
class CDeskExplorerCommand : public CDeskContext, public IExplorerCommand, public IObjectWithSite
{
public:
    // The class's instance creator: the top-level entry. Not aggregatable.
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** result);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IExplorerCommand
    STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    STDMETHODIMP GetCanonicalName(GUID* name) override;
    STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* bind) override;
    STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** result) override;

private:
    // command: a DeskCommand, or DeskCommand::kCount for the entry itself.
    explicit CDeskExplorerCommand(UINT command);
    ~CDeskExplorerCommand() override;
    bool IsEntry() const { return m_command == DeskCommand::kCount; }

    const UINT m_command;
    ULONG m_refs = 1;
};

// Whether the view that the site's browser shows is the desktop's own: the
// folder of its active shell view is the root of the namespace.
bool SiteShowsDesktop(IUnknown* site);
// The site's browser window, or null.
HWND SiteWindow(IUnknown* site);
