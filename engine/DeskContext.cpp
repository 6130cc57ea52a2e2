#include "engine/DeskContext.h"
#include "engine/ShellExtStrings.h"
#include "layout/ResText.h"

namespace {
CDeskContext::MessageBoxFn g_messageBox = nullptr;
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

const wchar_t* CDeskContext::Text(UINT id) const
{
    return LoadResText(flavor.resources, id);
}

int CDeskContext::ShowMessage(const wchar_t* text, UINT type) const
{
    const wchar_t* caption = Text(IDS_CAPTION);
    if (g_messageBox)
        return g_messageBox(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

void CDeskContext::SetMessageBoxFunction(MessageBoxFn fn)
{
    g_messageBox = fn;
}
