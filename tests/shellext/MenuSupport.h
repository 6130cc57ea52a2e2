#pragma once
#include <windows.h>
#include <shobjidl.h>
#include <string>
#include <vector>
#include "engine/ComOwners.h"

// One entry of a menu as the user sees it.
struct MenuEntry
{
    std::wstring text; // "-" for a separator
    UINT id = 0;
    HMENU submenu = nullptr;
};

std::vector<MenuEntry> MenuEntries(HMENU menu);
// The texts alone, in order.
std::vector<std::wstring> MenuTexts(HMENU menu);

// Settings values as the handler reads them: HKEY_CURRENT_USER (a scratch
// hive in tests) "Software\Quenlo\Tovak".
void StoreSetting(const wchar_t* name, DWORD value);
// The stored REG_DWORD, or -1 when missing or of another type or size.
long StoredSetting(const wchar_t* name);

// A handler made through COM (the DLL's class object registered in-process)
// and initialised as the shell does, with the site when one is given.
CComRef<IContextMenu> NewInitialisedMenu(IUnknown* site = nullptr);

// A top-level window of the test's thread, as the shell's owner window.
class COwnerWindow
{
public:
    COwnerWindow();
    ~COwnerWindow();
    COwnerWindow(const COwnerWindow&) = delete;
    COwnerWindow& operator=(const COwnerWindow&) = delete;
    HWND Handle() const { return m_window; }

private:
    HWND m_window = nullptr;
};

// Invokes a command by offset, owned by owner.
HRESULT InvokeOffset(IContextMenu* menu, UINT offset, HWND owner);
