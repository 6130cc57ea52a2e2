#include "layout/UndoLayout.h"
#include "layout/LayoutFile.h"
#include "layout/RegKey.h"
#include "layout/SnapshotStore.h"
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

CDisplaySetup UndoSetup(const CDisplayConfig& display, const CLayoutFlavor& flavor)
{
    return CDisplaySetup(display, UndoLayoutName(display, flavor).c_str());
}

SaveResult KeepUndoLayout(const CLayoutFlavor& flavor, const CDisplaySetup& setup, CLayoutCapture& capture)
{
    switch (CSnapshotStore().Write(flavor, setup, SnapshotKind::BeforeRestore, capture)) {
    case FileSaveResult::Saved:
        return SaveResult::Saved;
    case FileSaveResult::Empty:
        return SaveResult::Empty;
    case FileSaveResult::Unreachable:
        return SaveResult::Unreachable;
    case FileSaveResult::CannotCreate:
    case FileSaveResult::Failed:
        break;
    }
    return SaveResult::Failed;
}

int ReadUndoLayout(const CLayoutFlavor& flavor, const CDisplaySetup& setup, const CDisplayConfig& display,
                   bool forceVisible, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    for (const SnapshotEntry& entry : CSnapshotStore().List(setup)) {
        if (entry.kind == SnapshotKind::BeforeRestore &&
            ReadLayoutFile(entry.path.c_str(), display, records, currentFormat))
            return static_cast<int>(records.size());
    }
    // Looked for first: the store's reader would create the key it misses.
    const CWideString parent = UndoKeyPath(flavor);
    const wchar_t* name = setup.LayoutName().c_str();
    if (parent.IsAbsent() || !IsValidLayoutName(name) || !CRegKey(parent.c_str(), KEY_READ).HasSubKey(name))
        return 0;
    return ReadLayoutUnder(flavor, parent.c_str(), name, display, forceVisible, records, currentFormat);
}
