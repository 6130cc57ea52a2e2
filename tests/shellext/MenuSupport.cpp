#include "tests/shellext/MenuSupport.h"
#include "shellext/DeskMenuIds.h"

namespace {
const wchar_t kStoreKey[] = L"Software\\Quenlo\\Tovak";
}

std::vector<MenuEntry> MenuEntries(HMENU menu)
{
    std::vector<MenuEntry> entries;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        MenuEntry entry;
        entry.text = (info.fType & MFT_SEPARATOR) ? L"-" : text;
        entry.id = info.wID;
        entry.submenu = info.hSubMenu;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::wstring> MenuTexts(HMENU menu)
{
    std::vector<std::wstring> texts;
    for (const MenuEntry& entry : MenuEntries(menu))
        texts.push_back(entry.text);
    return texts;
}

void StoreSetting(const wchar_t* name, DWORD value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kStoreKey, name, REG_DWORD, &value, sizeof(value));
}

long StoredSetting(const wchar_t* name)
{
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kStoreKey, name, RRF_RT_ANY, &type, &value, &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(value))
        return -1;
    return static_cast<long>(value);
}

CComRef<IContextMenu> NewInitialisedMenu(IUnknown* site)
{
    CComRef<IContextMenu> menu;
    if (FAILED(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid())))
        return menu;
    CComRef<IObjectWithSite> withSite;
    if (site && SUCCEEDED(menu.Query(IID_IObjectWithSite, withSite)))
        withSite->SetSite(site);
    CComRef<IShellExtInit> init;
    if (SUCCEEDED(menu.Query(IID_IShellExtInit, init)))
        init->Initialize(nullptr, nullptr, nullptr);
    return menu;
}

COwnerWindow::COwnerWindow()
{
    m_window = CreateWindowExW(0, L"Static", L"Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
}

COwnerWindow::~COwnerWindow()
{
    if (m_window)
        DestroyWindow(m_window);
}

HRESULT InvokeOffset(IContextMenu* menu, UINT offset, HWND owner)
{
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
}
