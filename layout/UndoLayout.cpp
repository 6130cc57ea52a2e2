#include "layout/UndoLayout.h"
#include "layout/RegKey.h"
#include "layout/StoreLock.h"

CWideString UndoKeyPath(const CLayoutFlavor& flavor)
{
    const CWideString store = LayoutStorePath(flavor);
    return store.IsAbsent() ? store : CWideString::Format(L"%s (undo)", store.c_str());
}

CWideString UndoLayoutName(const CDisplayConfig& display, const CLayoutFlavor& flavor)
{
    return display.LayoutName(display.MonitorCountValue(), true, flavor);
}

SaveResult KeepUndoLayout(const CLayoutFlavor& flavor, const wchar_t* name, CLayoutCapture& capture)
{
    return SaveLayoutUnder(flavor, UndoKeyPath(flavor).c_str(), name, capture, nullptr);
}

int ReadUndoLayout(const CLayoutFlavor& flavor, const wchar_t* name, const CDisplayConfig& display,
                   bool forceVisible, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    // Looked for first: the store's reader would create the key it misses.
    const CWideString parent = UndoKeyPath(flavor);
    if (parent.IsAbsent() || !IsValidLayoutName(name) || !CRegKey(parent.c_str(), KEY_READ).HasSubKey(name))
        return 0;
    return ReadLayoutUnder(flavor, parent.c_str(), name, display, forceVisible, records, currentFormat);
}
