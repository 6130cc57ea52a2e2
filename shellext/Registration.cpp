#include "shellext/Registration.h"
#include "layout/RegKey.h"

const wchar_t kModulePathData[] = L"%MODULE%";

namespace {

#define OSTREL_DESKMENU_CLSID L"{7E74422F-2393-11D4-98E0-444553540000}"
#define OSTREL_DESKMENU_KEY L"CLSID\\" OSTREL_DESKMENU_CLSID

const CRegistryEntry kDeskMenuTable[] = {
    { L"Tovak.DeskMenu.1", nullptr, L"DeskMenu Class", 0 },
    { L"Tovak.DeskMenu.1\\CLSID", nullptr, OSTREL_DESKMENU_CLSID, 0 },
    { L"Tovak.DeskMenu", nullptr, L"DeskMenu Class", 0 },
    { L"Tovak.DeskMenu\\CLSID", nullptr, OSTREL_DESKMENU_CLSID, 0 },
    { L"Tovak.DeskMenu\\CurVer", nullptr, L"Tovak.DeskMenu.1", 0 },
    { L"CLSID", nullptr, nullptr, kRegNoRemove },
    { OSTREL_DESKMENU_KEY, nullptr, L"DeskMenu Class", kRegReplace },
    { OSTREL_DESKMENU_KEY L"\\ProgID", nullptr, L"Tovak.DeskMenu.1", 0 },
    { OSTREL_DESKMENU_KEY L"\\VersionIndependentProgID", nullptr, L"Tovak.DeskMenu", 0 },
    { OSTREL_DESKMENU_KEY L"\\Programmable", nullptr, nullptr, kRegReplace },
    { OSTREL_DESKMENU_KEY L"\\InprocServer32", nullptr, kModulePathData, 0 },
    { OSTREL_DESKMENU_KEY L"\\InprocServer32", L"ThreadingModel", L"Apartment", 0 },
    { OSTREL_DESKMENU_KEY L"\\TypeLib", nullptr, L"{7E744221-2393-11D4-98E0-444553540000}", 0 },
    // Names a class that nothing registers, so folder windows get no items.
    { L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu", nullptr,
      L"{7E74422F-2393-11D4-98E0-444553540001}", 0 },
    { L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu", nullptr, OSTREL_DESKMENU_CLSID, 0 },
};

HRESULT FromStatus(LONG status)
{
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

// Removes a key with its subtree; a key that is not there is no failure.
HRESULT RemoveKey(const wchar_t* path)
{
    CRegKey root(HKEY_CLASSES_ROOT, L"", KEY_ALL_ACCESS);
    if (!root.IsOpen())
        return FromStatus(root.LastStatus());
    if (root.DeleteSubKey(path))
        return S_OK;
    const LONG status = root.LastStatus();
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND)
        return S_OK;
    return FromStatus(status);
}

HRESULT WriteEntry(const CRegistryEntry& entry, const wchar_t* modulePath)
{
    if (entry.flags & kRegReplace) {
        const HRESULT hr = RemoveKey(entry.key);
        if (FAILED(hr))
            return hr;
    }
    CRegKey key(HKEY_CLASSES_ROOT, entry.key, KEY_WRITE);
    if (!key.IsOpen())
        return FromStatus(key.LastStatus());
    if (!entry.data)
        return S_OK;
    const wchar_t* data = entry.data == kModulePathData ? modulePath : entry.data;
    key.WriteText(entry.valueName, data);
    return FromStatus(key.LastStatus());
}

} // namespace

HRESULT ApplyRegistryTable(const CRegistryEntry* table, size_t count, bool doRegister, const wchar_t* modulePath)
{
    if (doRegister) {
        for (size_t i = 0; i < count; ++i) {
            const HRESULT hr = WriteEntry(table[i], modulePath);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    HRESULT result = S_OK;
    for (size_t i = count; i-- > 0;) {
        const CRegistryEntry& entry = table[i];
        // A named value lives in a key that its own row removes.
        if ((entry.flags & kRegNoRemove) || entry.valueName)
            continue;
        const HRESULT hr = RemoveKey(entry.key);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}

const CRegistryEntry* DeskMenuRegistryTable(size_t* count)
{
    *count = sizeof(kDeskMenuTable) / sizeof(kDeskMenuTable[0]);
    return kDeskMenuTable;
}

HRESULT UpdateDeskMenuRegistry(bool doRegister, const wchar_t* modulePath)
{
    size_t count = 0;
    const CRegistryEntry* table = DeskMenuRegistryTable(&count);
    return ApplyRegistryTable(table, count, doRegister, modulePath);
}
