#include "watch/WatchRestore.h"
#include <cwchar>
#include "layout/CurrentLayout.h"
#include "layout/LayoutStore.h"
#include "layout/UndoLayout.h"
#include "shellview/FolderViewUndo.h"

namespace {

CWatchRestore RestoreOnScreen(CWatchContext& context, bool undo)
{
    CWatchRestore result;
    result.undo = undo;
    CDesktopViewPair pair;
    if (!pair.Open())
        return result;
    ProbeIconSize(context.display, pair.View());
    const int monitors = context.display.Capture();
    const CWideString name = undo ? UndoLayoutName(context.display, context.flavor)
                                  : FindCurrentLayout(context.flavor, context.display, monitors);
    result.layoutName = name.IsAbsent() ? context.display.LayoutName(monitors, true, context.flavor).c_str()
                                        : name.c_str();
    CIconRecordArray records;
    bool read = false;
    if (undo) {
        read = ReadUndoLayout(context.flavor, UndoSetup(context.display, context.flavor), context.display, false,
                              records, nullptr) > 0;
        result.outcome = CWatchRestore::NoLayout;
    } else if (name.IsAbsent()) {
        result.outcome = CWatchRestore::NoLayout;
    } else {
        read = ReadLayout(context.flavor, name.c_str(), context.display, false, records, nullptr) > 0;
        result.outcome = CWatchRestore::NoIcons;
    }
    if (read) {
        // What this restore replaces is kept as the undo layout first; a
        // keep that fails does not stop the restore.
        FolderViewMoves moves;
        std::optional<SaveResult> kept;
        const bool ran =
            RestoreKeepingUndo(context.flavor, context.display, pair, records, context.viewFlags, moves, kept);
        result.outcome = ran ? CWatchRestore::Restored : CWatchRestore::Failed;
        result.undoKept = !kept || *kept == SaveResult::Saved || *kept == SaveResult::Empty;
        result.requested = moves.requested;
        result.moved = moves.moved;
        result.status = moves.status;
    }
    context.display.Release();
    return result;
}

} // namespace

CWatchRestore RestoreOnScreenLayout(CWatchContext& context)
{
    return RestoreOnScreen(context, false);
}

CWatchRestore UndoOnScreenRestore(CWatchContext& context)
{
    return RestoreOnScreen(context, true);
}

std::wstring DescribeRestore(const CWatchRestore& restore)
{
    const std::wstring& name = restore.layoutName;
    switch (restore.outcome) {
    case CWatchRestore::Unreachable:
        return L"The desktop could not be reached: nothing moved";
    case CWatchRestore::NoLayout:
        return (restore.undo ? L"Nothing to undo for " : L"No layout stored for ") + name + L": nothing moved";
    case CWatchRestore::NoIcons:
        return L"No icons stored in " + name + L": nothing moved";
    case CWatchRestore::Failed:
        return L"The desktop icons could not be read: " + name + L" not restored";
    case CWatchRestore::Restored:
        break;
    }
    const std::wstring undo = restore.undoKept ? L"" : L" (this restore cannot be undone: the undo layout was not saved)";
    const std::wstring done = (restore.undo ? L"Undid the last restore of " : L"Restored ") + name;
    if (restore.requested == 0)
        return done + L": every icon was in place" + undo;
    std::wstring text = done + L": " + std::to_wstring(restore.moved) + L" icons moved";
    const int missed = restore.requested - restore.moved;
    if (missed > 0) {
        text += L", " + std::to_wstring(missed) + L" did not reach their places";
        if (FAILED(restore.status)) {
            wchar_t code[16];
            swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(restore.status));
            text += std::wstring(L" (error ") + code + L")";
        }
    }
    return text + undo;
}
