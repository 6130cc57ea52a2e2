#include "deskshell/DeskViewObjects.h"
#include <shlobj.h>
#include "engine/ComCtlVersion.h"

HRESULT CDeskViewObjects::Open(CDeskContext& context)
{
    Release();
    if (FAILED(SHGetDesktopFolder(m_folder.Put())))
        return E_FAIL;

    IUnknown* site = context.SiteUnknown();
    if (!site)
        return 1;
    CComRef<IServiceProvider> provider;
    if (FAILED(site->QueryInterface(IID_IServiceProvider, provider.PutVoid())))
        return 1;

    HRESULT status = 1;
    CComRef<IShellBrowser> browser;
    if (SUCCEEDED(provider->QueryService(IID_IShellBrowser, IID_IShellBrowser, browser.PutVoid())) &&
        SUCCEEDED(browser->QueryActiveShellView(m_shellView.Put())) && m_shellView) {
        status = 0;
        if (FAILED(m_shellView.Query(IID_IFolderView, m_folderView)))
            m_folderView.Reset();
        if (SUCCEEDED(m_shellView.Query(IID_IFolderView2, m_folderView2))) {
            FOLDERVIEWMODE mode = FVM_AUTO;
            int size = -1;
            if (SUCCEEDED(m_folderView2->GetViewModeAndIconSize(&mode, &size)))
                context.display.SetIconSize(size);
        } else {
            m_folderView2.Reset();
        }
    } else {
        m_shellView.Reset();
    }

    context.ccVersion = context.system->CommonControlsVersion(context.flavor.resources);
    context.ccFlag = HasViewFlagsSupport(context.ccVersion);
    return status;
}

void CDeskViewObjects::Release()
{
    m_folderView2.Reset();
    m_folderView.Reset();
    m_shellView.Reset();
    m_folder.Reset();
}
