#include "cli/access/CliRestore.h"
#include <shlwapi.h>
#include "cli/access/ConsoleOut.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "shellview/FolderViewUndo.h"

bool OpenDesktopViewPair(const CCliContext& context, CDesktopViewPair& pair)
{
    if (pair.Open())
        return true;
    OutText(context, OutStream::Err, L"Could not get IShellFolder or IFolderView2.\n");
    return false;
}

void ReportUnreadPositions(const CCliContext& context, const wchar_t* what, const wchar_t* source, HRESULT status,
                           const wchar_t* outcome)
{
    OutPrint(context, OutStream::Err,
             L"%s: %s\nOstrel: The positions of the desktop icons could not be read (%08lX): %s.\n", what, source,
             static_cast<unsigned long>(status), outcome);
}

void ReportRestore(const CCliContext& context, const wchar_t* source, const FolderViewMoves& moves)
{
    if (moves.requested == 0) {
        OutPrint(context, OutStream::Out, L"Layout: %s\nOstrel: No Icons Repositioned\n", source);
        return;
    }
    OutPrint(context, OutStream::Out, L"Layout: %s\nOstrel: Repositioned: %d Icons\n", source, moves.moved);
    const int missed = moves.requested - moves.moved;
    if (missed == 0)
        return;
    if (FAILED(moves.status))
        OutPrint(context, OutStream::Err, L"Ostrel: %d Icons could not be repositioned (error 0x%08lX)\n", missed,
                 static_cast<unsigned long>(moves.status));
    else
        OutPrint(context, OutStream::Err, L"Ostrel: %d Icons did not reach their saved positions\n", missed);
}

bool RestoreFromCli(CCliContext& context, const wchar_t* source, bool fromStore)
{
    if (!source)
        source = L"";
    CIconRecordArray records;
    if (fromStore) {
        bool currentFormat = false;
        if (ReadLayout(context.flavor, source, context.display, false, records, &currentFormat) <= 0) {
            OutPrint(context, OutStream::Out, L"No Registry Layout Information Stored:\n%s", source);
            return false;
        }
    } else {
        if (!PathFileExistsW(source)) {
            OutPrint(context, OutStream::Out, L"File not found: %s\n", source);
            return false;
        }
        bool currentFormat = false;
        if (!ReadLayoutFile(source, context.display, records, &currentFormat)) {
            OutPrint(context, OutStream::Out, L"No File Layout Information Stored: %s\n", source);
            return false;
        }
    }

    return RestoreRecordsFromCli(context, source, records);
}

bool RestoreRecordsFromCli(CCliContext& context, const wchar_t* source, const CIconRecordArray& records)
{
    CDesktopViewPair pair;
    if (!OpenDesktopViewPair(context, pair))
        return false;
    ProbeCliCommonControls(context);
    FolderViewMoves moves;
    std::optional<SaveResult> kept;
    if (!RestoreKeepingUndo(context.flavor, context.display, pair, records, context.ccFlag, moves, kept)) {
        if (FAILED(moves.readStatus))
            ReportUnreadPositions(context, L"Layout", source, moves.readStatus, L"nothing was restored");
        return false;
    }
    if (moves.displayChanged) {
        OutText(context, OutStream::Err, L"The display configuration changed during the restore: nothing moved.\n");
        return true;
    }
    // The restore is what was asked for: it ran, but it cannot be undone.
    if (kept && *kept != SaveResult::Saved)
        OutText(context, OutStream::Err, L"Ostrel: Could not keep the icon positions: this restore cannot be undone.\n");
    ReportRestore(context, source, moves);
    if (moves.byFileName > 0)
        OutPrint(context, OutStream::Out, L"Ostrel: %d Icons matched by file name (the Desktop folder has moved).\n",
                 moves.byFileName);
    return true;
}
