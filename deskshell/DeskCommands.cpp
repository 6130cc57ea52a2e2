#include "deskshell/DeskCommands.h"
#include <cwchar>
#include "deskshell/DeskListView.h"
#include "deskshell/DeskViewObjects.h"
#include "deskshell/ListViewCapture.h"
#include "deskshell/ListViewRestore.h"
#include "deskshell/ShellExtStrings.h"
#include "layout/CurrentLayout.h"
#include "layout/UndoLayout.h"

HWND FindListViewOrWarn(const CDeskContext& context)
{
    HWND listView = FindDesktopListView();
    if (!listView) {
        context.ShowMessage(context.Text(IDS_NO_LISTVIEW), MB_OKCANCEL | MB_ICONWARNING);
        return nullptr;
    }
    // The list view's messages carry pointers into the sender's memory, which
    // Windows does not marshal: sent from another process (the COM surrogate
    // in which the Windows 11 menu runs a packaged handler) they would make
    // the shell read and write its own memory at those addresses.
    DWORD owner = 0;
    GetWindowThreadProcessId(listView, &owner);
    if (owner != GetCurrentProcessId()) {
        context.ShowMessage(context.Text(IDS_LISTVIEW_ELSEWHERE), MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    return listView;
}

namespace {

// Shows text (a string with one "%s") with the name or path.
void ShowFailure(const CDeskContext& context, UINT text, const wchar_t* subject, UINT icon)
{
    context.ShowMessage(CWideString::Format(context.Text(text), subject).c_str(), MB_OK | icon);
}

void ShowWaitCursor()
{
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

bool Confirm(const CDeskContext& context, UINT question, const wchar_t* name)
{
    const CWideString text = CWideString::Format(context.Text(question), name);
    return context.ShowMessage(text.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// The opening of the commands that act on a stored layout: the list view (or
// the box that says it is missing), the wait cursor, the probes and the
// display configuration with its monitor count.
HWND OpenLayoutCommand(CDeskContext& context, int& monitors)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return nullptr;
    ShowWaitCursor();
    ProbeDesktopView(context);
    monitors = context.display.Capture();
    return listView;
}

// Selects the icons that the layout holds no record for.
void HighlightLayout(CDeskContext& context, HWND listView, const wchar_t* name)
{
    CIconRecordArray records;
    bool currentFormat = false;
    const int read = ReadLayout(context.flavor, name, context.display, context.settings.forceVisible != 0, records,
                                &currentFormat);
    context.currentFormat = currentFormat;
    if (read <= 0) {
        context.ShowMessage(CWideString::Format(context.Text(IDS_NO_ICON_INFO), name).c_str(), MB_ICONEXCLAMATION);
        return;
    }
    const CDeskListView view(listView);
    for (int index : ScanUnmatchedIcons(view, records))
        view.Select(index);
}

} // namespace

void ProbeDesktopView(CDeskContext& context)
{
    CDeskViewObjects objects;
    objects.Open(context);
}

void SaveDesktopCommand(CDeskContext& context)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return;
    ProbeDesktopView(context);
    const int monitors = context.display.Capture();
    const CWideString name = context.display.LayoutName(monitors, true, context.flavor);
    if (context.settings.confirmSave && !Confirm(context, IDS_CONFIRM_SAVE, name.c_str()))
        return;
    ShowWaitCursor();
    SaveDesktopToStore(context, listView, name.c_str());
}

void SaveDesktopToStore(CDeskContext& context, HWND listView, const wchar_t* name)
{
    std::unique_ptr<CLayoutCapture> capture = MakeListViewCapture(context, listView);
    int written = 0;
    switch (SaveLayout(context.flavor, name, *capture, &written)) {
    case SaveResult::Saved:
        break;
    case SaveResult::InvalidName:
        ShowFailure(context, IDS_INVALID_NAME, name, MB_ICONWARNING);
        break;
    case SaveResult::Failed:
        ShowFailure(context, IDS_SAVE_FAILED, name, MB_ICONERROR);
        break;
    case SaveResult::Empty:
        ShowFailure(context, IDS_SAVE_EMPTY, name, MB_ICONWARNING);
        break;
    case SaveResult::Unreachable:
        ShowFailure(context, IDS_SAVE_UNREACHABLE, name, MB_ICONERROR);
        break;
    case SaveResult::Busy:
        ShowFailure(context, IDS_STORE_BUSY, name, MB_ICONERROR);
        break;
    }
}

SaveResult KeepUndoLayoutInShell(CDeskContext& context, HWND listView)
{
    // The restore runs in the display configuration that its command captured.
    std::unique_ptr<CLayoutCapture> capture = MakeListViewCapture(context, listView, true);
    return KeepUndoLayout(context.flavor, UndoSetup(context.display, context.flavor), *capture);
}

void SaveDesktopToFile(CDeskContext& context, HWND listView, const wchar_t* path)
{
    std::unique_ptr<CLayoutCapture> capture = MakeListViewCapture(context, listView);
    int written = 0;
    switch (SaveLayoutFile(context.flavor, path, *capture, &written)) {
    case FileSaveResult::Saved:
        break;
    case FileSaveResult::CannotCreate:
        ShowFailure(context, IDS_FILE_CREATE, path, MB_ICONERROR);
        break;
    case FileSaveResult::Failed:
        ShowFailure(context, IDS_FILE_FAILED, path, MB_ICONERROR);
        break;
    case FileSaveResult::Empty:
        ShowFailure(context, IDS_FILE_EMPTY, path, MB_ICONWARNING);
        break;
    case FileSaveResult::Unreachable:
        ShowFailure(context, IDS_FILE_UNREACHABLE, path, MB_ICONERROR);
        break;
    }
}

int RestoreDesktopCommand(CDeskContext& context)
{
    int monitors = 0;
    HWND listView = OpenLayoutCommand(context, monitors);
    if (!listView)
        return 0;
    const CWideString name = FindCurrentLayout(context.flavor, context.display, monitors);
    if (name.IsAbsent())
        return 0;
    if (context.settings.confirmRestore && !Confirm(context, IDS_CONFIRM_RESTORE, name.c_str()))
        return 0;
    return RestoreLayoutInShell(context, listView, name.c_str(), 0);
}

void HighlightUnmatchedCommand(CDeskContext& context)
{
    int monitors = 0;
    HWND listView = OpenLayoutCommand(context, monitors);
    if (!listView)
        return;
    const CWideString name = FindCurrentLayout(context.flavor, context.display, monitors);
    if (name.IsAbsent())
        return;
    HighlightLayout(context, listView, name.c_str());
}

void UndoRestoreCommand(CDeskContext& context)
{
    int monitors = 0;
    HWND listView = OpenLayoutCommand(context, monitors);
    if (!listView)
        return;
    const CWideString name = UndoLayoutName(context.display, context.flavor);
    CIconRecordArray records;
    bool currentFormat = false;
    if (ReadUndoLayout(context.flavor, UndoSetup(context.display, context.flavor), context.display,
                       context.settings.forceVisible != 0, records, &currentFormat) <= 0) {
        ShowFailure(context, IDS_NOTHING_TO_UNDO, name.c_str(), MB_ICONINFORMATION);
        return;
    }
    if (context.settings.confirmRestore && !Confirm(context, IDS_CONFIRM_UNDO, name.c_str()))
        return;
    context.currentFormat = currentFormat;
    RestoreRecordsInShell(context, listView, records, name.c_str());
}
