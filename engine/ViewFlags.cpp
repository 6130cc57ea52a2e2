#include "engine/ViewFlags.h"

DWORD CFolderFlagSwitch::ReadViewFlags()
{
    DWORD flags = 0;
    if (!m_view || FAILED(m_view->GetCurrentFolderFlags(&flags)))
        return 0;
    return flags;
}

void CFolderFlagSwitch::SetViewFlags(DWORD mask, DWORD flags)
{
    if (m_view)
        m_view->SetCurrentFolderFlags(mask, flags);
}
