#pragma once
#include <optional>
#include "shellview/FolderViewRestore.h"
#include "layout/DisplayConfig.h"
#include "layout/LayoutFlavor.h"
#include "layout/LayoutStore.h"

// A restore from another process (the command-line tool, the watcher) that
// keeps the undo layout first: just before the first icon moves, the
// positions that the restore read are saved as the undo layout of the display
// configuration now on screen, with no extra call into the shell. The caller
// has captured the display configuration; the icon size for the layout name
// is probed here. kept gets the keep's result, or stays empty when nothing
// moved (the undo layout of the last restore that moved icons stays); the
// restore runs whatever it is.
bool RestoreKeepingUndo(const CLayoutFlavor& flavor, CDisplayConfig& display, const CDesktopViewPair& pair,
                        const CIconRecordArray& records, bool viewFlags, FolderViewMoves& moves,
                        std::optional<SaveResult>& kept);
