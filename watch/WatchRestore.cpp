#include "watch/WatchRestore.h"
#include <cwchar>
#include <functional>
#include "layout/CurrentLayout.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/UndoLayout.h"
#include "shellview/FolderViewUndo.h"
#include "watch/EarlierArrangements.h"
#include "watch/WatchFit.h"

namespace {

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Fills records (and the result's name and outcome when nothing reads) from
// the display configuration that the restore captured; true when it read.
using RecordsSource = std::function<bool(CShellCallState&, int monitors, CWatchRestore&, CIconRecordArray&)>;

CWatchRestore RestoreOnScreen(CShellCallState& state, bool undo, bool keepUndo, const RecordsSource& source)
{
    CWatchRestore result;
    result.undo = undo;
    CDesktopViewPair pair;
    if (!pair.Open())
        return result;
    ProbeIconSize(state.display, pair.View());
    const int monitors = state.display.Capture();
    result.layoutName = state.display.LayoutName(monitors, true, state.flavor).c_str();
    CIconRecordArray records;
    if (source(state, monitors, result, records)) {
        // What this restore replaces is kept for undo first (when asked); a
        // keep that fails does not stop the restore.
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

bool ReadSnapshot(CShellCallState& state, const SnapshotEntry& entry, CWatchRestore& result, CIconRecordArray& records)
{
    result.layoutName = L"the arrangement of " + SnapshotTimeText(entry, L"");
    result.outcome = CWatchRestore::NoIcons;
    return ReadLayoutFile(entry.path.c_str(), state.display, records, nullptr);
}

} // namespace

CWatchRestore RestoreOnScreenLayout(CShellCallState& state, bool keepUndo, bool withSnapshots)
{
    return RestoreOnScreen(state, false, keepUndo, [&](CShellCallState& s, int monitors, CWatchRestore& result,
                                                       CIconRecordArray& records) {
        const CWideString name = FindCurrentLayout(s.flavor, s.display, monitors);
        FILETIME savedAt = {};
        const bool saved = !name.IsAbsent() && LayoutSavedAt(s.flavor, name.c_str(), savedAt);
        const auto newerThanSaved = [&](const FILETIME& time) { return !saved || Ticks(savedAt) < Ticks(time); };
        // The newer of the setup's newest arrangement and the layout saved
        // by hand: a save after the last snapshot wins, and the other way.
        const CSnapshotStore store;
        const CDisplaySetup setup = UndoSetup(s.display, s.flavor);
        SnapshotEntry arranged;
        if (withSnapshots && store.Newest(setup, SnapshotKind::Arranged, arranged)) {
            if (name.IsAbsent() || newerThanSaved(arranged.time))
                return ReadSnapshot(s, arranged, result, records);
        } else if (withSnapshots && (name.IsAbsent() || wcscmp(name.c_str(), result.layoutName.c_str()) != 0)) {
            // A setup never seen, and no layout saved for its full name: the
            // arrangement of each monitor from the snapshots of the setups
            // that had it, unless the layout of the base name is newer.
            CFittedArrangement fit;
            if (FitForSetup(store, setup, s.display, fit) && newerThanSaved(fit.newest)) {
                result.fittedFrom = fit.fromSetup;
                result.fittedTo = setup.Text();
                result.fittedIcons = fit.icons;
                result.layoutName = L"the arrangement fitted to " + result.fittedTo;
                result.outcome = CWatchRestore::NoIcons;
                records = std::move(fit.records);
                return !records.empty();
            }
        }
        if (name.IsAbsent()) {
            result.outcome = CWatchRestore::NoLayout;
            return false;
        }
        result.layoutName = name.c_str();
        result.outcome = CWatchRestore::NoIcons;
        return ReadLayout(s.flavor, name.c_str(), s.display, false, records, nullptr) > 0;
    });
}

CWatchRestore RestoreSnapshot(CShellCallState& state, const SnapshotEntry& entry)
{
    return RestoreOnScreen(state, false, true, [&](CShellCallState& s, int, CWatchRestore& result,
                                                   CIconRecordArray& records) {
        return ReadSnapshot(s, entry, result, records);
    });
}

CWatchRestore UndoOnScreenRestore(CShellCallState& state)
{
    return RestoreOnScreen(state, true, true, [](CShellCallState& s, int, CWatchRestore& result,
                                                 CIconRecordArray& records) {
        result.layoutName = UndoLayoutName(s.display, s.flavor).c_str();
        result.outcome = CWatchRestore::NoLayout;
        return ReadUndoLayout(s.flavor, UndoSetup(s.display, s.flavor), s.display, false, records, nullptr) > 0;
    });
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
    const std::wstring done =
        !restore.fittedFrom.empty()
            ? L"Fitted the arrangement of " + restore.fittedFrom + L" to " + restore.fittedTo + L" (" +
                  std::to_wstring(restore.fittedIcons) + L" icons)"
            : (restore.undo ? L"Undid the last restore of " : L"Restored ") + name;
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
