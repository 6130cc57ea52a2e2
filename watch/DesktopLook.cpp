#include "watch/DesktopLook.h"
#include <vector>
#include "shellview/FolderView.h"

namespace {

ULONGLONG ItemDigest(const CDesktopItem& item)
{
    // FNV-1a over the parsing name and the position.
    ULONGLONG hash = 14695981039346656037ull;
    auto add = [&hash](const void* data, size_t size) {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        for (size_t i = 0; i < size; ++i)
            hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    add(item.parsingName, wcslen(item.parsingName) * sizeof(wchar_t));
    add(&item.position.x, sizeof(item.position.x));
    add(&item.position.y, sizeof(item.position.y));
    return hash;
}

} // namespace

CDesktopState LookAtDesktop(CWatchContext& context)
{
    CDesktopState state;
    CDesktopViewPair pair;
    const bool opened = pair.Open();
    if (opened)
        ProbeIconSize(context.display, pair.View());
    const int monitors = context.display.Capture();
    state.layoutName = context.display.LayoutName(monitors, true, context.flavor).c_str();
    context.display.Release();

    std::vector<CDesktopItem> items;
    if (!opened || !ReadDesktopItems(pair, true, items, nullptr))
        return state;
    state.reached = true;
    // A sum, so that the view's order does not count.
    state.positions = items.size();
    for (const CDesktopItem& item : items)
        state.positions += ItemDigest(item) * 0x9E3779B97F4A7C15ull;
    return state;
}
