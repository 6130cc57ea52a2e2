#include "deskshell/DeskContext.h"
#include "engine/ComCtlVersion.h"
#include "deskshell/ShellExtStrings.h"
#include "layout/ResText.h"

int CDeskSystem::ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    return MessageBoxW(owner, text, caption, type);
}

DWORD CDeskSystem::CommonControlsVersion(HMODULE manifestModule)
{
    return ProbeCommonControlsVersion(manifestModule);
}

CDeskSystem& RealDeskSystem()
{
    static CDeskSystem s_system;
    return s_system;
}

CLayoutFlavor ShellExtFlavor(HINSTANCE resources)
{
    return { resources, true, IDS_STORE_KEY, IDS_LAYOUT_SINGLE, IDS_MULTI_MONITOR, IDS_ICON_SIZE, L"Empty", KEY_READ,
             L";\n; Ostrel: %s. UNICODE Layout File.\n;\n\n" };
}

CDeskContext::CDeskContext(HINSTANCE resources)
    : flavor(ShellExtFlavor(resources))
{
}

void CDeskContext::SetSiteUnknown(IUnknown* site)
{
    m_site.Assign(site);
}

HRESULT CDeskContext::QuerySite(REFIID riid, void** result) const
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (!m_site)
        return E_FAIL;
    return m_site->QueryInterface(riid, result);
}

const wchar_t* CDeskContext::Text(UINT id) const
{
    return LoadResText(flavor.resources, id);
}

int CDeskContext::ShowMessage(const wchar_t* text, UINT type) const
{
    const wchar_t* caption = Text(IDS_CAPTION);
    return system->ShowMessageBox(owner, text, caption, type);
}
