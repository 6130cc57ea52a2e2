#include "engine/DeskContext.h"
#include "layout/ResText.h"

namespace {
CDeskContext::MessageBoxFn g_messageBox = nullptr;
}

CDeskContext::CDeskContext(HINSTANCE resources)
    : flavor(ShellExtFlavor(resources))
{
}

CDeskContext::~CDeskContext()
{
    SetSiteUnknown(nullptr);
}

void CDeskContext::SetSiteUnknown(IUnknown* site)
{
    if (site == m_site)
        return;
    if (site)
        site->AddRef();
    if (m_site)
        m_site->Release();
    m_site = site;
}

const wchar_t* CDeskContext::Text(UINT id) const
{
    return LoadResText(flavor.resources, id);
}

int CDeskContext::ShowMessage(const wchar_t* text, UINT type) const
{
    const wchar_t* caption = Text(105);
    if (g_messageBox)
        return g_messageBox(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

void CDeskContext::SetMessageBoxFunction(MessageBoxFn fn)
{
    g_messageBox = fn;
}
