#include "shellext/DeskExplorerCommand.h"
#include <shlobj.h>
#include <shlwapi.h>
#include <new>
#include <string>
#include <vector>
#include "layout/Owners.h"
#include "shellext/DeskMenuIds.h"
#include "shellext/Module.h"
#include "shellext/Settings.h"
#include "shellext/resource.h"

namespace {

HRESULT CopyText(const wchar_t* text, LPWSTR* result)
{
    if (!result)
        return E_POINTER;
    return SHStrDupW(text, result);
}

// The subcommands in menu order, handed out one by one.
class CCommandEnum final : public IEnumExplorerCommand
{
public:
    CCommandEnum(std::vector<CComRef<IExplorerCommand>> commands, ULONG next)
        : m_commands(std::move(commands)), m_next(next)
    {
        ShellModule().Lock();
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** result) override
    {
        static const QITAB kInterfaces[] = {
            { &IID_IEnumExplorerCommand, static_cast<int>(OFFSETOFCLASS(IEnumExplorerCommand, CCommandEnum)) },
            { nullptr, 0 },
        };
        return QISearch(this, kInterfaces, riid, result);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

    STDMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override
    {
        if (!commands || (count > 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        for (; given < count && m_next < m_commands.size(); ++given, ++m_next) {
            commands[given] = m_commands[m_next].Get();
            commands[given]->AddRef();
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        const ULONG left = static_cast<ULONG>(m_commands.size()) - m_next;
        m_next += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumExplorerCommand** result) override
    {
        if (!result)
            return E_POINTER;
        *result = nullptr;
        std::vector<CComRef<IExplorerCommand>> copy(m_commands.size());
        for (size_t i = 0; i < m_commands.size(); ++i)
            copy[i].Assign(m_commands[i].Get());
        *result = new (std::nothrow) CCommandEnum(std::move(copy), m_next);
        return *result ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~CCommandEnum() { ShellModule().Unlock(); }

    std::vector<CComRef<IExplorerCommand>> m_commands;
    ULONG m_next;
    ULONG m_refs = 1;
};

HRESULT SiteBrowser(IUnknown* site, CComRef<IShellBrowser>& browser)
{
    if (!site)
        return E_FAIL;
    return IUnknown_QueryService(site, SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid());
}

// The folder's absolute ID list, through IPersistFolder2 as the shell's
// folders (the desktop's among them) answer it.
HRESULT FolderIdList(IUnknown* folder, CAbsoluteIdList& list)
{
    CComRef<IPersistFolder2> persist;
    HRESULT hr = folder->QueryInterface(IID_IPersistFolder2, persist.PutVoid());
    if (FAILED(hr))
        return hr;
    hr = persist->GetCurFolder(list.Put());
    return FAILED(hr) ? hr : (list ? S_OK : E_FAIL);
}

} // namespace

bool SiteShowsDesktop(IUnknown* site)
{
    CComRef<IShellBrowser> browser;
    if (FAILED(SiteBrowser(site, browser)) || !browser)
        return false;
    CComRef<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.Put())) || !view)
        return false;
    CComRef<IFolderView> folderView;
    if (FAILED(view.Query(IID_IFolderView, folderView)))
        return false;
    CComRef<IUnknown> shown;
    if (FAILED(folderView->GetFolder(IID_IUnknown, shown.PutVoid())) || !shown)
        return false;
    CComRef<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put())))
        return false;
    CAbsoluteIdList shownList;
    CAbsoluteIdList desktopList;
    if (FAILED(FolderIdList(shown.Get(), shownList)) || FAILED(FolderIdList(desktop.Get(), desktopList)))
        return false;
    return ILIsEqual(shownList.Get(), desktopList.Get()) != FALSE;
}

HWND SiteWindow(IUnknown* site)
{
    HWND window = nullptr;
    CComRef<IShellBrowser> browser;
    if (SUCCEEDED(SiteBrowser(site, browser)) && browser && SUCCEEDED(browser->GetWindow(&window)))
        return window;
    if (site && SUCCEEDED(IUnknown_GetWindow(site, &window)))
        return window;
    return nullptr;
}

HRESULT CDeskExplorerCommand::CreateInstance(IUnknown* outer, REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    CDeskExplorerCommand* entry = nullptr;
    try {
        entry = new CDeskExplorerCommand(DeskCommand::kCount);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = entry->QueryInterface(riid, result);
    entry->Release();
    return hr;
}

CDeskExplorerCommand::CDeskExplorerCommand(UINT command)
    : CDeskContext(ShellModule().Instance()), m_command(command)
{
    ShellModule().Lock();
    try {
        settings = ReadDeskSettings(flavor);
    } catch (...) {
        settings = CDeskSettings();
    }
}

CDeskExplorerCommand::~CDeskExplorerCommand()
{
    display.Release();
    ShellModule().Unlock();
}

STDMETHODIMP CDeskExplorerCommand::QueryInterface(REFIID riid, void** result)
{
    static const QITAB kInterfaces[] = {
        { &IID_IExplorerCommand, static_cast<int>(OFFSETOFCLASS(IExplorerCommand, CDeskExplorerCommand)) },
        { &IID_IObjectWithSite, static_cast<int>(OFFSETOFCLASS(IObjectWithSite, CDeskExplorerCommand)) },
        { nullptr, 0 },
    };
    return QISearch(this, kInterfaces, riid, result);
}

STDMETHODIMP_(ULONG) CDeskExplorerCommand::AddRef()
{
    return ++m_refs;
}

STDMETHODIMP_(ULONG) CDeskExplorerCommand::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP CDeskExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* name)
{
    if (IsEntry())
        return CopyText(Text(IDS_SUBMENU), name);
    wchar_t label[kLabelChars] = {};
    ComposeCommandLabel(*this, m_command, label);
    return CopyText(label, name);
}

STDMETHODIMP CDeskExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon)
{
    if (!icon)
        return E_POINTER;
    *icon = nullptr;
    if (!IsEntry())
        return E_NOTIMPL;
    wchar_t path[MAX_PATH];
    if (!ShellModule().FilePath(path))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    // An icon location as the shell reads it: the module, then minus the
    // resource id.
    const std::wstring location = std::wstring(path) + L",-" + std::to_wstring(IDI_OSTREL);
    return SHStrDupW(location.c_str(), icon);
}

STDMETHODIMP CDeskExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* tip)
{
    if (!tip)
        return E_POINTER;
    *tip = nullptr;
    if (IsEntry())
        return E_NOTIMPL;
    return SHStrDupW(Text(kDeskCommands[m_command].help), tip);
}

STDMETHODIMP CDeskExplorerCommand::GetCanonicalName(GUID* name)
{
    if (!name)
        return E_POINTER;
    *name = IsEntry() ? CLSID_DeskExplorerCommand : GUID_NULL;
    return IsEntry() ? S_OK : E_NOTIMPL;
}

STDMETHODIMP CDeskExplorerCommand::GetState(IShellItemArray*, BOOL, EXPCMDSTATE* state)
{
    if (!state)
        return E_POINTER;
    // Registered for every folder's background: shown on the desktop's only.
    *state = !IsEntry() || SiteShowsDesktop(SiteUnknown()) ? ECS_ENABLED : ECS_HIDDEN;
    return S_OK;
}

STDMETHODIMP CDeskExplorerCommand::Invoke(IShellItemArray*, IBindCtx*)
{
    if (IsEntry())
        return E_NOTIMPL;
    try {
        settings = ReadDeskSettings(flavor);
        owner = SiteWindow(SiteUnknown());
        RunDeskCommand(*this, m_command);
    } catch (...) {
        // Nothing may leave through the shell's call.
    }
    display.Release();
    return S_OK;
}

STDMETHODIMP CDeskExplorerCommand::GetFlags(EXPCMDFLAGS* flags)
{
    if (!flags)
        return E_POINTER;
    *flags = IsEntry() ? ECF_HASSUBCOMMANDS : ECF_DEFAULT;
    return S_OK;
}

STDMETHODIMP CDeskExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands)
{
    if (!commands)
        return E_POINTER;
    *commands = nullptr;
    if (!IsEntry())
        return E_NOTIMPL;
    try {
        std::vector<CComRef<IExplorerCommand>> subcommands;
        subcommands.reserve(DeskCommand::kCount); // no throw between new and the owner
        for (UINT command : kDeskMenuOrder) {
            CDeskExplorerCommand* subcommand = new CDeskExplorerCommand(command);
            subcommands.emplace_back(static_cast<IExplorerCommand*>(subcommand));
            subcommand->SetSiteUnknown(SiteUnknown());
        }
        *commands = new CCommandEnum(std::move(subcommands), 0);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

STDMETHODIMP CDeskExplorerCommand::SetSite(IUnknown* site)
{
    SetSiteUnknown(site);
    return S_OK;
}

STDMETHODIMP CDeskExplorerCommand::GetSite(REFIID riid, void** result)
{
    return QuerySite(riid, result);
}
