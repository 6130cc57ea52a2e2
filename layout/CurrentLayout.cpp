#include "layout/CurrentLayout.h"
#include <cwchar>
#include "layout/LayoutStore.h"
#include "layout/RegKey.h"
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

bool ReadAutoRestore(const CLayoutFlavor& flavor)
{
    const CRegKey key(LoadResText(flavor.resources, flavor.idsStoreKey), KEY_READ);
    return key.ReadNumber(kAutoRestoreValue, 1) != 0;
}
