#pragma once
#include <windows.h>
#include <unknwn.h>
#include "layout/DisplayConfig.h"
#include "layout/LayoutFlavor.h"
#include "layout/Owners.h"

// The settings of the shell extension, in their stored order: the seven of
// its menus and commands, then whether the watcher restores by itself.
struct CDeskSettings
{
    DWORD cascadeSave = 1;
    DWORD cascadeRestore = 1;
    DWORD cascadeCustom = 1;
    DWORD cascadeHilite = 1;
    DWORD confirmSave = 1;
    DWORD confirmRestore = 0;
    DWORD forceVisible = 0;
    DWORD autoRestore = 1;
    DWORD autoSnapshot = 1;
};

// The layout flavor of the shell extension: texts from the string table of
// resources, which must be the shell extension's.
CLayoutFlavor ShellExtFlavor(HINSTANCE resources);

// What the shell extension asks of the system where tests answer instead: its
// message boxes and the common-controls version. RealDeskSystem() is the
// system itself.
class CDeskSystem
{
public:
    virtual ~CDeskSystem() = default;
    virtual int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
    virtual DWORD CommonControlsVersion(HMODULE manifestModule);
};
CDeskSystem& RealDeskSystem();

// The state that the shell extension's commands share: one per context menu
// handler object. The handler derives from it.
class CDeskContext
{
public:
    explicit CDeskContext(HINSTANCE resources);
    virtual ~CDeskContext() = default;
    CDeskContext(const CDeskContext&) = delete;
    CDeskContext& operator=(const CDeskContext&) = delete;

    CLayoutFlavor flavor;
    CDisplayConfig display;          // captured by each command; holds the icon size
    DWORD ccVersion = 0;             // common-controls version, major << 16 | minor
    bool ccFlag = false;             // version is 5.82 or later
    bool currentFormat = false;      // set by the layout readers for the restore engine
    CDeskSettings settings;
    HWND owner = nullptr;            // owner of every message box of the commands
    CDeskSystem* system = &RealDeskSystem();

    // The site that the shell gave the handler (a reference of our own).
    void SetSiteUnknown(IUnknown* site);
    IUnknown* SiteUnknown() const { return m_site.Get(); }
    // IObjectWithSite::GetSite of the handlers: E_POINTER for a null result,
    // E_FAIL (and null) without a site, else what the site answers.
    HRESULT QuerySite(REFIID riid, void** result) const;

    // Loads a string of the module's string table (three rotating buffers).
    const wchar_t* Text(UINT id) const;

    // Every message box of the commands goes through here, owned by owner.
    int ShowMessage(const wchar_t* text, UINT type) const;

private:
    CComRef<IUnknown> m_site;
};
