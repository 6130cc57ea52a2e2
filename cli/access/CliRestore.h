#pragma once
#include "cli/access/CliContext.h"
#include "shellview/FolderViewRestore.h"

// The command-line restore: fromStore reads the store (source = layout
// name), otherwise a layout file (source = path); runs the restore engine
// through the folder view. Prints its own messages.
bool RestoreFromCli(CCliContext& context, const wchar_t* source, bool fromStore);
// Places records that the caller has read (source names them in the
// messages), keeping the current positions as the undo layout first; the
// caller has captured the display configuration they are for. A change of
// the configuration before the move is said on standard error.
bool RestoreRecordsFromCli(CCliContext& context, const wchar_t* source, const CIconRecordArray& records);

// Opens the view pair; on failure writes "Could not get IShellFolder or
// IFolderView2.\n" to standard error and returns false.
bool OpenDesktopViewPair(const CCliContext& context, CDesktopViewPair& pair);

// Writes "<what>: <source>\nOstrel: The positions of the desktop icons could
// not be read (%08X): <outcome>.\n" to standard error.
void ReportUnreadPositions(const CCliContext& context, const wchar_t* what, const wchar_t* source, HRESULT status,
                           const wchar_t* outcome);

// Prints what the restore's one move did: "Layout: %s\nOstrel: Repositioned:
// %d Icons\n", and on standard error the icons that did not get there.
void ReportRestore(const CCliContext& context, const wchar_t* source, const FolderViewMoves& moves);
