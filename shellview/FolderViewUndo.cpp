#include "shellview/FolderViewUndo.h"
#include "shellview/FolderViewCapture.h"
#include "layout/UndoLayout.h"

bool RestoreKeepingUndo(const CLayoutFlavor& flavor, CDisplayConfig& display, const CDesktopViewPair& pair,
                        const CIconRecordArray& records, bool viewFlags, FolderViewMoves& moves,
                        std::optional<SaveResult>& kept)
{
    kept.reset();
    ProbeIconSize(display, pair.View());
    const CDisplaySetup setup = UndoSetup(display, flavor);
    return RestoreThroughFolderView(pair, records, display, flavor, viewFlags, moves,
                                    [&](const std::vector<CDesktopItem>& items) {
                                        CDesktopItemsCapture capture(items, display);
                                        kept = KeepUndoLayout(flavor, setup, capture);
                                    });
}
