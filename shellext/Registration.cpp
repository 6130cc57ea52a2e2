#include "shellext/Registration.h"
#include <list>
#include <string>
#include <vector>
#include "layout/RegKey.h"
#include "shellext/DeskMenuIds.h"

const wchar_t kModulePathData[] = L"%MODULE%";

namespace {

// Names a class that nothing registers, so folder windows get no items.
const CLSID kNoFolderHandler = { 0x7E74422F, 0x2393, 0x11D4, { 0x98, 0xE0, 0x44, 0x45, 0x53, 0x54, 0x00, 0x01 } };

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

// A table whose texts are kept beside it, GUID texts made from the GUIDs
// themselves.
class CRegistryTable
{
public:
    CRegistryTable() = default;
    CRegistryTable(const CRegistryTable&) = delete;
    CRegistryTable& operator=(const CRegistryTable&) = delete;

    const std::vector<CRegistryEntry>& Entries() const { return m_entries; }

protected:
    const wchar_t* Keep(std::wstring text)
    {
        m_texts.push_back(std::move(text));
        return m_texts.back().c_str();
    }

    std::list<std::wstring> m_texts; // stable addresses for the entries
    std::vector<CRegistryEntry> m_entries;
};

HRESULT ApplyTable(const CRegistryTable& table, bool doRegister, const wchar_t* modulePath)
{
    return ApplyRegistryTable(table.Entries().data(), table.Entries().size(), doRegister, modulePath);
}

// The context-menu handler's table.
class CDeskMenuTable : public CRegistryTable
{
public:
    CDeskMenuTable()
    {
        const wchar_t* clsid = Keep(GuidText(CLSID_DeskMenu));
        const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_DeskMenu);
        m_entries = {
            { L"Tovak.DeskMenu.1", nullptr, L"DeskMenu Class", 0 },
            { L"Tovak.DeskMenu.1\\CLSID", nullptr, clsid, 0 },
            { L"Tovak.DeskMenu", nullptr, L"DeskMenu Class", 0 },
            { L"Tovak.DeskMenu\\CLSID", nullptr, clsid, 0 },
            { L"Tovak.DeskMenu\\CurVer", nullptr, L"Tovak.DeskMenu.1", 0 },
            { L"CLSID", nullptr, nullptr, kRegNoRemove },
            { Keep(classKey), nullptr, L"DeskMenu Class", kRegReplace },
            { Keep(classKey + L"\\ProgID"), nullptr, L"Tovak.DeskMenu.1", 0 },
            { Keep(classKey + L"\\VersionIndependentProgID"), nullptr, L"Tovak.DeskMenu", 0 },
            { Keep(classKey + L"\\Programmable"), nullptr, nullptr, kRegReplace },
            { Keep(classKey + L"\\InprocServer32"), nullptr, kModulePathData, 0 },
            { Keep(classKey + L"\\InprocServer32"), L"ThreadingModel", L"Apartment", 0 },
            { Keep(classKey + L"\\TypeLib"), nullptr, Keep(GuidText(LIBID_TOVAKLib)), 0 },
            { L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu", nullptr,
              Keep(GuidText(kNoFolderHandler)), 0 },
            { L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu", nullptr, clsid, 0 },
        };
    }
};

// The class of the Windows 11 menu entry: the class alone, which the
// package's manifest names for the menu (no handler keys of the classic menu).
class CDeskExplorerCommandTable : public CRegistryTable
{
public:
    CDeskExplorerCommandTable()
    {
        const std::wstring classKey = L"CLSID\\" + GuidText(CLSID_DeskExplorerCommand);
        m_entries = {
            { L"CLSID", nullptr, nullptr, kRegNoRemove },
            { Keep(classKey), nullptr, L"Ostrel Explorer Command", kRegReplace },
            { Keep(classKey + L"\\InprocServer32"), nullptr, kModulePathData, 0 },
            { Keep(classKey + L"\\InprocServer32"), L"ThreadingModel", L"Apartment", 0 },
        };
    }
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
    static const CDeskMenuTable s_table;
    *count = s_table.Entries().size();
    return s_table.Entries().data();
}

HRESULT UpdateDeskMenuRegistry(bool doRegister, const wchar_t* modulePath)
{
    size_t count = 0;
    const CRegistryEntry* table = DeskMenuRegistryTable(&count);
    return ApplyRegistryTable(table, count, doRegister, modulePath);
}

HRESULT UpdateDeskExplorerCommandRegistry(bool doRegister, const wchar_t* modulePath)
{
    static const CDeskExplorerCommandTable s_table;
    return ApplyTable(s_table, doRegister, modulePath);
}
