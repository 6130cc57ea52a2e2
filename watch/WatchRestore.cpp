#include "watch/WatchRestore.h"
#include <cwchar>
#include "layout/CurrentLayout.h"
#include "layout/LayoutStore.h"
#include "layout/UndoLayout.h"
#include "shellview/FolderViewUndo.h"

namespace {

CWatchRestore RestoreOnScreen(CShellCallState& state, bool undo, bool keepUndo)
{
    CWatchRestore result;
    result.undo = undo;
    CDesktopViewPair pair;
    if (!pair.Open())
        return result;
    ProbeIconSize(state.display, pair.View());
    const int monitors = state.display.Capture();
    const CWideString name = undo ? UndoLayoutName(state.display, state.flavor)
                                  : FindCurrentLayout(state.flavor, state.display, monitors);
    result.layoutName = name.IsAbsent() ? state.display.LayoutName(monitors, true, state.flavor).c_str()
                                        : name.c_str();
    CIconRecordArray records;
    bool read = false;
    if (undo) {
        read = ReadUndoLayout(state.flavor, UndoSetup(state.display, state.flavor), state.display, false, records,
                              nullptr) > 0;
        result.outcome = CWatchRestore::NoLayout;
    } else if (name.IsAbsent()) {
        result.outcome = CWatchRestore::NoLayout;
    } else {
        read = ReadLayout(state.flavor, name.c_str(), state.display, false, records, nullptr) > 0;
        result.outcome = CWatchRestore::NoIcons;
    }
    if (read) {
        // What this restore replaces is kept as the undo layout first (when
        // asked); a keep that fails does not stop the restore.
        FolderViewMoves moves;
        std::optional<SaveResult> kept;
        const bool ran =
            keepUndo ? RestoreKeepingUndo(state.flavor, state.display, pair, records, state.viewFlags, moves, kept)
                     : RestoreThroughFolderView(pair, records, state.display, state.flavor, state.viewFlags, moves);
        result.outcome = !ran                  ? CWatchRestore::Failed
                         : moves.displayChanged ? CWatchRestore::DisplayChanged
                                                : CWatchRestore::Restored;
        result.undoKept = !kept || *kept == SaveResult::Saved || *kept == SaveResult::Empty;
        result.requested = moves.requested;
        result.moved = moves.moved;
        result.status = moves.status;
    }
    state.display.Release();
    return result;
}

} // namespace

CWatchRestore RestoreOnScreenLayout(CShellCallState& state, bool keepUndo)
{
    return RestoreOnScreen(state, false, keepUndo);
}

CWatchRestore UndoOnScreenRestore(CShellCallState& state)
{
    return RestoreOnScreen(state, true, true);
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
    case CWatchRestore::DisplayChanged:
        return L"The display configuration changed during the restore of " + name + L": nothing moved";
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
