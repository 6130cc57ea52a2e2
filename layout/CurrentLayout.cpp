#include "layout/CurrentLayout.h"
#include <cwchar>
#include <string>
#include "layout/Owners.h"
#include "layout/LayoutStore.h"
#include "layout/RegKey.h"
#include "layout/StoreLock.h"
#include "layout/ResText.h"
#include "layout/WatchNames.h"

CWideString FindCurrentLayout(const CLayoutFlavor& flavor, const CDisplayConfig& display, int monitorCount)
{
    const std::vector<CWideString> names = ListLayouts(flavor);
    for (bool withSuffix : { true, false }) {
        const CWideString wanted = display.LayoutName(monitorCount, withSuffix, flavor);
        for (const CWideString& name : names) {
            if (wcscmp(name.c_str(), wanted.c_str()) == 0)
                return name;
        }
    }
    return CWideString();
}

bool LayoutSavedAt(const CLayoutFlavor& flavor, const wchar_t* name, FILETIME& savedAt)
{
    const CWideString store = LayoutStorePath(flavor);
    if (store.IsAbsent())
        return false;
    const std::wstring path = std::wstring(store.c_str()) + L"\\" + name;
    CKeyHandle key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS &&
           RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, &savedAt) == ERROR_SUCCESS;
}

namespace {

bool ReadWatchSetting(const CLayoutFlavor& flavor, const wchar_t* value)
{
    const CRegKey key(LoadResText(flavor.resources, flavor.idsStoreKey), KEY_READ);
    return key.ReadNumber(value, 1) != 0;
}

} // namespace

bool ReadAutoRestore(const CLayoutFlavor& flavor)
{
    return ReadWatchSetting(flavor, kAutoRestoreValue);
}

bool ReadAutoSnapshot(const CLayoutFlavor& flavor)
{
    return ReadWatchSetting(flavor, kAutoSnapshotValue);
}
