#include "watch/KeepArrangement.h"
#include "layout/SnapshotStore.h"
#include "layout/UndoLayout.h"
#include "shellview/FolderViewCapture.h"

FileSaveResult KeepArrangement(CShellCallState& state, const std::wstring& forSetup, std::wstring* path)
{
    CDesktopViewPair pair;
    if (!pair.Open())
        return FileSaveResult::Unreachable;
    ProbeIconSize(state.display, pair.View());
    state.display.Capture();
    const CDisplaySetup setup = UndoSetup(state.display, state.flavor);
    FileSaveResult result = FileSaveResult::Unreachable;
    std::vector<CDesktopItem> items;
    if (setup.Text() == forSetup && ReadDesktopItems(pair, true, items, nullptr)) {
        CDesktopItemsCapture capture(items, state.display);
        result = CSnapshotStore().Write(state.flavor, setup, SnapshotKind::Arranged, capture, path);
    }
    state.display.Release();
    return result;
}
